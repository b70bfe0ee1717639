// Folder and file existence and folder enumeration.
#pragma once

#include <functional>
#include <string>

namespace quillo {

bool DirectoryExists(const std::string& path);
bool FileExists(const std::string& path);

struct FolderEntry {
  std::string name;
  bool is_folder = false;  // links to folders count as folders
};

// Calls visit for every entry of the folder, "." and ".." and hidden entries included, in the
// order the file system returns them; the enumeration stays open while visit runs. Returns false
// when the folder cannot be enumerated.
bool EnumerateFolder(const std::string& folder,
                     const std::function<void(const FolderEntry&)>& visit);

}  // namespace quillo
