// Folder and file existence and folder enumeration.
#pragma once

#include <compare>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quillo {

bool DirectoryExists(const std::string& path);
bool FileExists(const std::string& path);

// What makes two paths name the same file, whatever their text: links and different spellings
// of one path lead to one identity.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  auto operator<=>(const FileIdentity&) const = default;
};

// The identity of what the path names, links followed; none when it names nothing.
std::optional<FileIdentity> IdentifyFile(const std::string& path);

// The path a chain of symbolic links ends at: the path itself when it is no link. The end need
// not exist, so that a link to a file not yet made leads to where the file is to be made.
std::string FollowLinks(const std::string& path);

// The folder the file system looks in for the path's last part; "." for a bare name.
std::string FolderOfPath(const std::string& path);
// Whether the process may add entries to that folder, judged by its effective permissions.
bool FolderOfPathWritable(const std::string& path);

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
