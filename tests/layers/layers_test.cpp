// Keeps the layers of src/ by test: a file includes headers of its own layer and the layers below
// it, never one above.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace quillo {
namespace {

namespace fs = std::filesystem;

// The layer of each folder of src/, lowest first; the programs' entry points in src/ itself sit
// on top of them all.
const std::map<std::string, int, std::less<>> kLayers = {
    {"platform", 0}, {"image", 1}, {"imagelib", 2}, {"form", 3}, {"listing", 4},
    {"jobs", 4},     {"app", 5},   {"ui", 6},       {"cli", 7},
};
constexpr int kEntryPointLayer = 8;

// The layer of a path below src/, none for a folder without one.
std::optional<int> LayerOf(const fs::path& relative) {
  if (!relative.has_parent_path()) return kEntryPointLayer;
  const auto found = kLayers.find(relative.begin()->string());
  if (found == kLayers.end()) return std::nullopt;
  return found->second;
}

// Every include of a higher layer, of a folder without a layer, or of a header that is nowhere
// to be found, as "file: reason".
std::vector<std::string> LayerViolations(const fs::path& source_root, int& files_read) {
  static const std::regex kInclude(R"(^\s*#\s*include\s*"([^"]+)\")");
  std::vector<std::string> violations;
  files_read = 0;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(source_root)) {
    const fs::path extension = entry.path().extension();
    if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) continue;
    ++files_read;
    const fs::path file = fs::relative(entry.path(), source_root);
    const std::optional<int> own = LayerOf(file);
    if (!own) {
      violations.push_back(file.string() + ": its folder has no layer");
      continue;
    }
    std::ifstream in(entry.path());
    std::smatch match;
    for (std::string line; std::getline(in, line);) {
      if (!std::regex_search(line, match, kInclude)) continue;
      const fs::path header = match[1].str();
      std::optional<int> layer;
      if (fs::exists(source_root / header)) {
        layer = LayerOf(header);
      } else if (fs::exists(entry.path().parent_path() / header)) {
        layer = own;
      } else {
        violations.push_back(file.string() + ": " + header.string() + " is not in src/");
        continue;
      }
      if (!layer || *layer > *own) {
        violations.push_back(file.string() + ": includes " + header.string() + " from above");
      }
    }
  }
  return violations;
}

TEST(Layers, NoSourceFileIncludesAHeaderOfAHigherLayer) {
  int files_read = 0;
  for (const std::string& violation : LayerViolations(QUILLO_SOURCE_DIR, files_read)) {
    ADD_FAILURE() << violation;
  }
  EXPECT_GT(files_read, 50);
}

// The check itself finds what it must, so that a broken check cannot pass the tree unseen.
TEST(Layers, CheckFindsUpwardIncludesAndFoldersWithoutALayer) {
  testing::TempDir dir;
  dir.Write("platform/path.h");
  dir.Write("jobs/job.h", "#include \"platform/path.h\"\n  #  include \"app/form.h\"\n");
  dir.Write("app/form.h", "#include \"form.inc.h\"\n#include \"jobs/job.h\"\n");
  dir.Write("app/form.inc.h");
  dir.Write("extra/tool.cpp");
  dir.Write("main.cpp", "#include \"ui/window.h\"\n");
  int files_read = 0;
  std::vector<std::string> violations = LayerViolations(dir.Path(), files_read);
  std::sort(violations.begin(), violations.end());
  EXPECT_EQ(files_read, 6);
  EXPECT_EQ(violations, (std::vector<std::string>{"extra/tool.cpp: its folder has no layer",
                                                  "jobs/job.h: includes app/form.h from above",
                                                  "main.cpp: ui/window.h is not in src/"}));
}

}  // namespace
}  // namespace quillo
