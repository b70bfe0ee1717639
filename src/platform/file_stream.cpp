#include "platform/file_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/errors.h"

namespace quillo {
namespace {

std::string SystemErrorText(int error) { return std::strerror(error); }

// Permissions for a new file: those of the file it replaces, else the usual ones under umask.
mode_t NewFileMode(const std::string& target) {
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) return st.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Repeats a read or write step until count bytes have moved, the file ends or the step fails;
// returns the bytes moved.
template <typename Step>
int64_t Transfer(int fd, int64_t count, Step step) {
  int64_t done = 0;
  while (done < count && fd >= 0) {
    const ssize_t n = step(done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

}  // namespace

std::string ExpandFileName(const std::string& path) {
  if (path.empty()) return path;
  std::error_code ec;
  const auto absolute = std::filesystem::absolute(path, ec);
  return ec ? path : absolute.lexically_normal().string();
}

TFileStream::TFileStream(const std::string& path, TFileMode mode) : path_(path) {
  if (mode == fmOpenRead) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd_);
      fd_ = -1;
      errno = EISDIR;
    }
    if (fd_ < 0) {
      throw EFOpenError(
          Format(kFileOpenErrorPattern, {ExpandFileName(path), SystemErrorText(errno)}));
    }
    return;
  }
  writing_ = true;
  const std::filesystem::path target(path);
  struct stat st {};
  if (path.empty() || (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
    throw EFCreateError(
        Format(kFileCreateErrorPattern,
               {ExpandFileName(path), SystemErrorText(path.empty() ? ENOENT : EISDIR)}));
  }
  std::string name = target.filename().string();
  std::string temp = (target.parent_path() / ("." + name + ".XXXXXX")).string();
  std::vector<char> buffer(temp.begin(), temp.end());
  buffer.push_back('\0');
  fd_ = ::mkstemp(buffer.data());
  if (fd_ < 0) {
    throw EFCreateError(
        Format(kFileCreateErrorPattern, {ExpandFileName(path), SystemErrorText(errno)}));
  }
  temp_path_ = buffer.data();
  ::fchmod(fd_, NewFileMode(path));
}

TFileStream::~TFileStream() {
  if (writing_) {
    Discard();
  } else if (fd_ >= 0) {
    ::close(fd_);
  }
}

void TFileStream::Discard() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_path_.empty()) ::unlink(temp_path_.c_str());
  temp_path_.clear();
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  auto* out = static_cast<char*>(buffer);
  return Transfer(fd_, count, [&](int64_t done) {
    return ::read(fd_, out + done, static_cast<size_t>(count - done));
  });
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  const auto* in = static_cast<const char*>(buffer);
  return Transfer(fd_, count, [&](int64_t done) {
    return ::write(fd_, in + done, static_cast<size_t>(count - done));
  });
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
  const off_t result = fd_ >= 0 ? ::lseek(fd_, offset, whence) : -1;
  return result < 0 ? -1 : result;
}

int64_t TFileStream::Size() {
  struct stat st {};
  return fd_ >= 0 && ::fstat(fd_, &st) == 0 ? st.st_size : 0;
}

void TFileStream::Commit() {
  if (!writing_ || fd_ < 0) return;
  const bool closed = ::close(fd_) == 0;
  fd_ = -1;
  if (!closed || ::rename(temp_path_.c_str(), path_.c_str()) != 0) {
    Discard();
    throw EWriteError(kWriteErrorMessage);
  }
  temp_path_.clear();
}

std::string ReadWholeFile(const std::string& path) {
  TFileStream file(path, fmOpenRead);
  std::string bytes(static_cast<size_t>(file.Size()), '\0');
  file.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  return bytes;
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  TFileStream file(path, fmCreate);
  file.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  file.Commit();
}

}  // namespace quillo
