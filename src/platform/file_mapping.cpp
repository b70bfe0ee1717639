#include "platform/file_mapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/errors.h"
#include "platform/file_stream.h"

namespace quillo {
namespace {

[[noreturn]] void RaiseOpenError(const std::string& path, int error) {
  throw EFOpenError(Format(kFileOpenErrorPattern, {ExpandFileName(path), std::strerror(error)}));
}

}  // namespace

TPrivateFileMapping::TPrivateFileMapping(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) RaiseOpenError(path, errno);
  struct stat status {};
  int error = 0;
  if (fstat(fd, &status) != 0) {
    error = errno;
  } else if (!S_ISREG(status.st_mode)) {
    error = EINVAL;
  } else if (status.st_size > 0) {
    size_ = static_cast<size_t>(status.st_size);
    void* mapped = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0);
    if (mapped == MAP_FAILED) {
      error = errno;
      size_ = 0;
    } else {
      data_ = static_cast<uint8_t*>(mapped);
    }
  }
  close(fd);
  if (error != 0) RaiseOpenError(path, error);
}

TPrivateFileMapping::~TPrivateFileMapping() {
  if (data_ != nullptr) munmap(data_, size_);
}

}  // namespace quillo
