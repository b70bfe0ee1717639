#include "platform/file_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>

#include "platform/deferred_commit.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/temp_files.h"

namespace quillo {
namespace {

// Tries for a free hidden name to link an unnamed file under before a replacement fails.
constexpr int kLinkAttempts = 100;

std::string SystemErrorText(int error) { return std::strerror(error); }

[[noreturn]] void ThrowOpenError(const std::string& path, int error) {
  throw EFOpenError(Format(kFileOpenErrorPattern, {ExpandFileName(path), SystemErrorText(error)}));
}

[[noreturn]] void ThrowCreateError(const std::string& path, int error) {
  throw EFCreateError(
      Format(kFileCreateErrorPattern, {ExpandFileName(path), SystemErrorText(error)}));
}

// Pipes, devices and sockets are no files to read or rewrite: they may block or never end.
int NotRegularFileError(mode_t mode) { return S_ISDIR(mode) ? EISDIR : EOPNOTSUPP; }

// 0, or the error for a descriptor that is no regular file.
int RegularFileCheck(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return errno;
  return S_ISREG(st.st_mode) ? 0 : NotRegularFileError(st.st_mode);
}

// The process's umask, read once: reading it means setting it for a moment, which threads
// creating files at the same time must not see.
mode_t ProcessUmask() {
  static const mode_t mask = [] {
    const mode_t current = ::umask(0);
    ::umask(current);
    return current;
  }();
  return mask;
}

// Permissions for a new file: those of the file it replaces, else the usual ones under umask.
// The set-user, set-group and sticky bits are not carried over to content of our making.
mode_t NewFileMode(const std::string& target) {
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) return st.st_mode & 0777;
  return 0666 & ~ProcessUmask();
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
    OpenForReading();
  } else {
    CreateTemporary();
  }
}

void TFileStream::OpenForReading() {
  // Without O_NONBLOCK, opening a named pipe waits for a writer that may never come.
  fd_ = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0) ThrowOpenError(path_, errno);
  if (const int error = RegularFileCheck(fd_); error != 0) {
    ::close(fd_);
    fd_ = -1;
    ThrowOpenError(path_, error);
  }
}

void TFileStream::CreateTemporary() {
  writing_ = true;
  if (path_.empty()) ThrowCreateError(path_, ENOENT);
  struct stat st {};
  if (::stat(path_.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) ThrowCreateError(path_, EISDIR);
    // The folder would let the file be replaced, but the user has protected the file itself. A
    // file without any write bit is read-only for every user, the superuser included.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) ThrowCreateError(path_, EACCES);
    if (::faccessat(AT_FDCWD, path_.c_str(), W_OK, AT_EACCESS) != 0) {
      ThrowCreateError(path_, errno);
    }
  }
  const std::string folder = FolderOfPath(path_);
  // The unnamed file gets its name through /proc at commit; a kill before that leaves nothing.
  int error = EOPNOTSUPP;
  if (UnnamedTemporariesWanted()) {
    fd_ = CreateUnnamedTemporary(folder);
    error = fd_ < 0 ? errno : 0;
  }
  // No unnamed files on this file system (EISDIR from kernels that do not know them).
  if (error == EOPNOTSUPP || error == EISDIR) {
    fd_ = CreateNamedTemporary(folder, temp_path_);
    error = fd_ < 0 ? errno : 0;
  }
  if (fd_ < 0) ThrowCreateError(path_, error);
  ::fchmod(fd_, NewFileMode(path_));
}

TFileStream::TFileStream(TFileStream&& other) noexcept
    : path_(std::move(other.path_)),
      temp_path_(std::exchange(other.temp_path_, {})),
      fd_(std::exchange(other.fd_, -1)),
      writing_(std::exchange(other.writing_, false)) {}

TFileStream::~TFileStream() {
  if (writing_) {
    Discard();
  } else if (fd_ >= 0) {
    ::close(fd_);
  }
}

void TFileStream::Discard() noexcept {
  if (!temp_path_.empty()) ::unlink(temp_path_.c_str());
  temp_path_.clear();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
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

bool TFileStream::RenameOverTarget(const std::string& from) {
  return ::rename(from.c_str(), path_.c_str()) == 0 && SyncFolder(FolderOfPath(path_));
}

bool TFileStream::LinkUnnamed() {
  const std::string self = "/proc/self/fd/" + std::to_string(fd_);
  const auto link_as = [&](const std::string& name) {
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
  };
  if (link_as(path_)) return true;
  if (errno != EEXIST) return false;
  // A link never replaces an existing name; the rename that follows does. The data are on the
  // disk before the file has a name, so a kill can leave the hidden name only for the moment of
  // the rename, and the open descriptor keeps it locked until then.
  if (::fsync(fd_) != 0) return false;
  const std::string folder = FolderOfPath(path_);
  for (int attempt = 0; attempt < kLinkAttempts; ++attempt) {
    temp_path_ = TemporaryName(folder);
    if (link_as(temp_path_)) return RenameOverTarget(temp_path_);
    if (errno != EEXIST) break;
  }
  temp_path_.clear();
  return false;
}

bool TFileStream::RenameNamed() {
  struct stat st {};
  if (::lstat(path_.c_str(), &st) != 0) return ::rename(temp_path_.c_str(), path_.c_str()) == 0;
  return ::fsync(fd_) == 0 && RenameOverTarget(temp_path_);
}

void TFileStream::Commit() {
  if (!writing_ || fd_ < 0) return;
  if (DeferredCommits* deferred = CurrentDeferredCommits()) {
    deferred->Hold(std::make_unique<TFileStream>(std::move(*this)));
    return;
  }
  // The descriptor stays open, and the file locked, until the file has its name.
  bool placed = temp_path_.empty() ? LinkUnnamed() : RenameNamed();
  if (placed) {
    temp_path_.clear();
    placed = ::close(fd_) == 0;
    fd_ = -1;
  }
  if (!placed) {
    Discard();
    throw EWriteError(kWriteErrorMessage);
  }
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

void RewriteWholeFile(const std::string& path, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) ThrowCreateError(path, errno);
  if (const int error = RegularFileCheck(fd); error != 0) {
    ::close(fd);
    ThrowCreateError(path, error);
  }
  const auto size = static_cast<int64_t>(bytes.size());
  struct stat st {};
  bool written = ::fstat(fd, &st) == 0;
  if (written && size > st.st_size) {
    written = ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, size) == 0 || errno == EOPNOTSUPP;
  }
  written =
      written && Transfer(fd, size, [&](int64_t done) {
                   return ::pwrite(fd, bytes.data() + done, static_cast<size_t>(size - done), done);
                 }) == size;
  written = written && ::ftruncate(fd, size) == 0;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed) throw EWriteError(kWriteErrorMessage);
}

}  // namespace quillo
