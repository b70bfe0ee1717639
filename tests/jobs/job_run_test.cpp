#include "jobs/job_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "ui/headless/headless_window.h"

namespace quillo {
namespace {

TEST(FolderAndListValid, EveryCheckRefusesOnItsOwn) {
  testing::TempDir dir;
  const std::string folder = dir.Mkdir("in") + "/";
  const std::string file = dir.Write("plain.jpg");
  struct Case {
    const char* name;
    std::string source;
    std::vector<std::string> lines;
    std::string output;
    bool valid;
  };
  const Case cases[] = {
      {"AllValid", folder, {"a.jpg"}, folder, true},
      {"EmptySource", "", {"a.jpg"}, folder, false},
      {"SourceIsAFile", file, {"a.jpg"}, folder, false},
      {"SourceMissing", dir.File("gone/"), {"a.jpg"}, folder, false},
      {"EmptyList", folder, {}, folder, false},
      {"EmptyLineCounts", folder, {""}, folder, true},
      {"EmptyOutput", folder, {"a.jpg"}, "", false},
      {"OutputIsAFile", folder, {"a.jpg"}, file, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HeadlessEdit source(c.source);
    HeadlessEdit output(c.output);
    HeadlessEditor list;
    list.SetLines(c.lines);
    EXPECT_EQ(FolderAndListValid(source, list, output), c.valid);
    // Without an output folder only the output's own cases turn valid.
    EXPECT_EQ(FolderAndListValid(source, list), c.valid || c.output != folder);
  }
}

}  // namespace
}  // namespace quillo
