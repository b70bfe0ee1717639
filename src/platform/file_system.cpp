#include "platform/file_system.h"

#include <dirent.h>
#include <sys/stat.h>

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
