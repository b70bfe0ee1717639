#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

namespace quillo {

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::optional<FileIdentity> IdentifyFile(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

std::string FollowLinks(const std::string& path) {
  // As many links as the system itself follows before it gives up with ELOOP.
  constexpr int kLinkLimit = 40;
  std::filesystem::path current(path);
  for (int i = 0; i < kLinkLimit; ++i) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(current, ec))) break;
    const std::filesystem::path target = std::filesystem::read_symlink(current, ec);
    if (ec) break;
    current = target.is_absolute() ? target : current.parent_path() / target;
  }
  return current.string();
}

std::string FolderOfPath(const std::string& path) {
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  return folder.empty() ? std::string(".") : folder.string();
}

bool FolderOfPathWritable(const std::string& path) {
  return ::faccessat(AT_FDCWD, FolderOfPath(path).c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

bool EnumerateFolder(const std::string& folder,
                     const std::function<void(const FolderEntry&)>& visit) {
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()),
                                                &::closedir);
  if (!dir) return false;
  std::string prefix = folder;
  if (!prefix.empty() && prefix.back() != '/') prefix += '/';
  while (const dirent* entry = ::readdir(dir.get())) {
    FolderEntry item{entry->d_name, entry->d_type == DT_DIR};
    if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
      item.is_folder = DirectoryExists(prefix + item.name);
    }
    visit(item);
  }
  return true;
}

}  // namespace quillo
