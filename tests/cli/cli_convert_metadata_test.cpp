// The shell front end's convert choices: values out of range, the warning for damaged metadata,
// and the help's table of what each target keeps.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_process.h"
#include "support/jpeg_test_support.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

using testing::RunCli;
using testing::TempDir;

TEST(CliConvertChoices, ValuesOutOfRangeAreRefusedBeforeAnythingIsWritten) {
  TempDir dir;
  dir.Write("in/a.jpg", testing::LibjpegEncode(testing::PhotoSamples(8, 8)));
  const std::string out = dir.Mkdir("out");
  const struct {
    std::vector<std::string> options;
    std::string message;
  } kRows[] = {
      {{"--quality", "0"}, "--quality: expected a whole number from 1 to 100, not 0"},
      {{"--quality", "101"}, "--quality: expected a whole number from 1 to 100, not 101"},
      {{"--quality=high"}, "--quality: expected a whole number from 1 to 100, not high"},
      {{"--compress", "zip"}, "--compress: expected none, packbits, lzw or deflate, not zip"},
      {{"--strip=yes"}, "--strip takes no value"},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.message);
    std::vector<std::string> args = {"convert", "--source", dir.File("in"), "--dest",
                                     out,       "--to",     "tif"};
    args.insert(args.end(), row.options.begin(), row.options.end());
    const auto result = RunCli(args);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.rfind("quillomark-cli: " + row.message + "\n", 0), 0u) << result.err;
    EXPECT_EQ(testing::FileNames(out), "");
  }
}

TEST(CliConvertChoices, DamagedExifBlockGivesOneWarningLineAndTheRunCompletes) {
  TempDir dir;
  // The first directory claims more entries than the block holds.
  const std::string damaged = dir.Write(
      "in/a.jpg", testing::LibjpegEncode(
                      testing::PhotoSamples(32, 32),
                      {.markers = {{0xE1, std::string("Exif\0\0II*\0\x08\0\0\0\xff\x7f", 16)}}}));
  const std::string sound =
      dir.Write("in/b.jpg", testing::LibjpegEncode(testing::PhotoSamples(32, 32)));
  const std::string out = dir.Mkdir("out");
  const auto result = RunCli({"convert", "--source", dir.File("in"), "--dest", out, "--to", "tif",
                              "--compress", "deflate"});
  EXPECT_EQ(result.status, 0) << result.err;
  const std::string warning =
      "quillomark-cli: " + damaged + ": metadata left out: damaged EXIF block (";
  const size_t at = result.err.find(warning);
  ASSERT_NE(at, std::string::npos) << result.err;
  EXPECT_EQ(result.err.find(": metadata left out", at + warning.size()), std::string::npos)
      << result.err;
  // Told after the file's own progress line and before the next one.
  EXPECT_LT(result.err.find("[1/2] " + damaged), at);
  EXPECT_GT(result.err.find("[2/2] " + sound), at);
  EXPECT_EQ(testing::FileNames(out), "a.tif b.tif");
}

TEST(CliConvertChoices, HelpTellsWhatEachTargetKeeps) {
  const auto result = RunCli({"convert", "--help"});
  EXPECT_EQ(result.status, 0);
  for (const char* text : {"--strip", "--upright", "--quality Q", "--compress KIND", "into JPEG",
                           "into TIFF", "into BMP", "nothing"}) {
    EXPECT_NE(result.out.find(text), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace quillo
