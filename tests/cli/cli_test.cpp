#include <gtest/gtest.h>

#include "cli/cli_process.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

using testing::RunCli;
using testing::TempDir;

TEST(CliList, PrintsTheSortedImageListOfTheFolder) {
  TempDir dir;
  for (const char* name : {"d.Jpeg", "B.JPG", "a.jpg", "e.png", "m/b2.jpg", "t.tif"})
    dir.Write(name);
  const auto result = RunCli({"list", "--source", dir.Str(), "--subfolders"});
  EXPECT_EQ(result.status, 0) << result.err;
  const std::string base = dir.Slash();
  EXPECT_EQ(result.out,
            base + "a.jpg\n" + base + "B.JPG\n" + base + "d.Jpeg\n" + base + "m/b2.jpg\n");
  EXPECT_EQ(RunCli({"list", "--source=" + dir.Str(), "--type", "tif"}).out, base + "t.tif\n");
  EXPECT_EQ(RunCli({"list", "--source", dir.Str(), "--type=all"}).out,
            base + "a.jpg\n" + base + "B.JPG\n" + base + "d.Jpeg\n" + base + "e.png\n" + base +
                "t.tif\n");
}

TEST(CliList, InvalidFolderPrintsTheErrorAndFails) {
  TempDir dir;
  const auto result = RunCli({"list", "--source", dir.File("gone")});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "quillomark-cli: " + dir.File("gone") + ": " + dir.File("gone") + "is Invalid.\n");
  EXPECT_EQ(result.out, "");
}

TEST(CliList, OutputOnAFullDeviceFails) {
  TempDir dir;
  dir.Write("a.jpg");
  const auto result =
      testing::CliProcess({"list", "--source", dir.Str()}, "", RLIM_INFINITY, "/dev/full").Finish();
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "quillomark-cli: cannot write the list: No space left on device\n");
}

TEST(CliCommandLine, BadCommandLinesShowTheUsageLine) {
  const struct {
    std::vector<std::string> args;
    std::string message;
    std::string usage;
  } rows[] = {
      {{}, "no command given", "usage: quillomark-cli list|rotate|rename|enfuse|convert"},
      {{"shrink"},
       "unknown command: shrink",
       "usage: quillomark-cli list|rotate|rename|enfuse|convert"},
      {{"list"}, "--source is required", "usage: quillomark-cli list --source DIR"},
      {{"list", "--source", "x", "--colour"},
       "unknown option: --colour",
       "usage: quillomark-cli list"},
      {{"list", "--source"}, "--source needs a value", "usage: quillomark-cli list"},
      {{"list", "--source", "x", "--subfolders=yes"},
       "--subfolders takes no value",
       "usage: quillomark-cli list"},
      {{"list", "--source", "x", "--type", "png"},
       "--type: expected jpg, tif, bmp or all, not png",
       "usage: quillomark-cli list"},
      {{"list", "x"}, "unexpected argument: x", "usage: quillomark-cli list"},
      {{"rename", "--source", "x"}, "--dest is required", "usage: quillomark-cli rename"},
      {{"rename", "--source", "x", "--dest", "y", "--step", "abc"},
       "--step: not a whole number: abc",
       "usage: quillomark-cli rename"},
      {{"rotate", "--source", "x"},
       "--dest is required",
       "usage: quillomark-cli rotate --source DIR --dest DIR [--turn right|left|180]"},
      {{"rotate", "--source", "x", "--dest", "y", "--turn", "up"},
       "--turn: expected right, left or 180, not up",
       "usage: quillomark-cli rotate"},
      {{"rotate", "--source", "x", "--dest", "y", "--auto", "--turn", "left"},
       "--auto and --turn exclude each other: --auto turns each file by its own tag",
       "usage: quillomark-cli rotate"},
      {{"rotate", "--source", "x", "--dest", "y", "--type", "tif"},
       "unknown option: --type",
       "usage: quillomark-cli rotate"},
      {{"convert", "--source", "x", "--dest", "y", "--to", "png"},
       "--to: expected bmp, jpg or tif, not png",
       "usage: quillomark-cli convert"},
      {{"enfuse", "--source", "x", "--bracket", "１"},
       "--bracket: not a whole number: １",
       "usage: quillomark-cli enfuse"},
  };
  for (const auto& row : rows) {
    const auto result = RunCli(row.args);
    EXPECT_EQ(result.status, 2) << row.message;
    EXPECT_NE(result.err.find("quillomark-cli: " + row.message + "\n" + row.usage),
              std::string::npos)
        << result.err;
  }
}

TEST(CliCommandLine, HelpDescribesTheProgramAndEachCommand) {
  const auto program = RunCli({"--help"});
  EXPECT_EQ(program.status, 0);
  for (const char* command : {"list", "rotate", "rename", "enfuse", "convert"}) {
    EXPECT_NE(program.out.find(std::string("  ") + command), std::string::npos) << command;
    const auto help = RunCli({command, "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind(std::string("usage: quillomark-cli ") + command, 0), 0u) << help.out;
  }
  EXPECT_NE(RunCli({"rename", "--help"}).out.find("--first N"), std::string::npos);
  const std::string rotate = RunCli({"rotate", "--help"}).out;
  for (const char* way : {"--turn alone", "--lossless", "--auto"})
    EXPECT_NE(rotate.find(std::string("\n  ") + way + "  "), std::string::npos) << way;
}

}  // namespace
}  // namespace quillo
