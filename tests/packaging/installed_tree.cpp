#include "packaging/installed_tree.h"

#include <algorithm>
#include <filesystem>

#include "packaging/run_program.h"

namespace quillo::testing {

std::vector<InstalledFile> InstalledFiles() {
  const std::string id = QUILLO_APP_ID;
  return {
      {"bin/quillomark", "ELF 64-bit"},
      {"bin/quillomark-cli", "ELF 64-bit"},
      {"share/applications/" + id + ".desktop", "text"},
      {"share/icons/hicolor/scalable/apps/" + id + ".svg", "SVG Scalable Vector Graphics image"},
      {"share/icons/hicolor/48x48/apps/" + id + ".png", "PNG image data, 48 x 48"},
      {"share/icons/hicolor/256x256/apps/" + id + ".png", "PNG image data, 256 x 256"},
      {"share/metainfo/" + id + ".metainfo.xml", "XML"},
      {"share/man/man1/quillomark-cli.1", "troff"},
      {"share/bash-completion/completions/quillomark-cli", "text"},
  };
}

std::vector<std::string> FilesUnder(const std::string& folder) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (!entry.is_directory()) {
      files.push_back(std::filesystem::relative(entry.path(), folder).string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string FileKind(const std::string& path) {
  return RunProgram({.args = {"file", "--brief", path}}).out;
}

}  // namespace quillo::testing
