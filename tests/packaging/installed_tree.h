// What an installation of the program holds, and checks of an installed tree shared by the
// install and the package tests.
#pragma once

#include <string>
#include <vector>

namespace quillo::testing {

struct InstalledFile {
  std::string path;  // under the prefix
  std::string kind;  // a part of what `file` says about it
};

// Every file an installation puts under its prefix, and nothing else.
std::vector<InstalledFile> InstalledFiles();

// Every file under the folder, relative to it, in name order.
std::vector<std::string> FilesUnder(const std::string& folder);

// `file`'s description of a file.
std::string FileKind(const std::string& path);

}  // namespace quillo::testing
