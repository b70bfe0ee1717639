#include "platform/temp_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <vector>

#include "platform/file_system.h"

namespace quillo {
namespace {

constexpr std::string_view kPrefix = ".qm-";
constexpr std::string_view kSuffix = ".tmp";
constexpr std::string_view kAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr size_t kRandomLetters = 8;
// Tries for a free name before the folder counts as refusing new files.
constexpr int kNameAttempts = 100;

// Takes the writer's lock. A clean-up holds the lock only while it removes a file, so waiting
// for it is short.
bool Lock(int fd) {
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

void CloseKeepingErrno(int fd) {
  const int error = errno;
  ::close(fd);
  errno = error;
}

// Removes the file when nobody holds it locked and the name still leads to the file locked.
void RemoveIfStale(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat opened {};
  struct stat named {};
  if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
      ::lstat(path.c_str(), &named) == 0 && named.st_dev == opened.st_dev &&
      named.st_ino == opened.st_ino) {
    ::unlink(path.c_str());
  }
  ::close(fd);
}

}  // namespace

bool IsTemporaryName(std::string_view name) {
  if (name.size() != kPrefix.size() + kRandomLetters + kSuffix.size()) return false;
  if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return false;
  const std::string_view letters = name.substr(kPrefix.size(), kRandomLetters);
  return letters.find_first_not_of(kAlphabet) == std::string_view::npos;
}

// Short, so that it fits wherever the target's name fits, and hidden.
std::string TemporaryName(const std::string& folder) {
  uint64_t bits = 0;
  if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != sizeof bits) {
    bits = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
           (static_cast<uint64_t>(::getpid()) << 40);
  }
  std::string name = folder + "/" + std::string(kPrefix);
  for (size_t i = 0; i < kRandomLetters; ++i, bits /= kAlphabet.size()) {
    name += kAlphabet[bits % kAlphabet.size()];
  }
  return name + std::string(kSuffix);
}

bool UnnamedTemporariesWanted() {
  return std::getenv(kNamedTemporariesVariable) == nullptr && DirectoryExists("/proc/self/fd");
}

int CreateUnnamedTemporary(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd >= 0 && !Lock(fd)) {
    CloseKeepingErrno(fd);
    return -1;
  }
  return fd;
}

int CreateNamedTemporary(const std::string& folder, std::string& path) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    path = TemporaryName(folder);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      break;
    }
    // Between the creation and the lock a clean-up may take the new file for a stale one and
    // remove it; the next name is tried then.
    struct stat st {};
    if (!Lock(fd) || ::fstat(fd, &st) != 0) {
      ::unlink(path.c_str());
      CloseKeepingErrno(fd);
      break;
    }
    if (st.st_nlink > 0) return fd;
    ::close(fd);
  }
  path.clear();
  return -1;
}

void RemoveStaleTemporaries(const std::string& folder) {
  if (folder.empty()) return;
  std::vector<std::string> found;
  EnumerateFolder(folder, [&](const FolderEntry& entry) {
    if (!entry.is_folder && IsTemporaryName(entry.name)) found.push_back(entry.name);
  });
  for (const std::string& name : found) RemoveIfStale(folder + "/" + name);
}

bool SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  // A file system that cannot flush folders (EINVAL) has nothing to flush.
  const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
  ::close(fd);
  return synced;
}

}  // namespace quillo
