#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_process.h"
#include "image/bitmap.h"
#include "support/jpeg_test_support.h"
#include "support/temp_dir.h"
#include "support/tiff_bytes.h"

namespace quillo {
namespace {

using testing::CliProcess;
using testing::ReadFile;
using testing::RunCli;
using testing::TempDir;

TEST(CliConvert, CopiesFilesOfTheOutputTypeAndConvertsTheOthers) {
  TempDir dir;
  const std::string jpeg = testing::LibjpegEncode(testing::PhotoSamples(8, 8));
  dir.Write("in/a.jpg", jpeg);
  TBitmap bitmap;
  testing::FillBitmap(bitmap, testing::PhotoSamples(6, 4));
  bitmap.SaveFile(dir.File("in/b.bmp"));
  dir.Mkdir("out");
  const auto result = RunCli({"convert", "--source", dir.File("in"), "--dest", dir.File("out"),
                              "--type", "all", "--to", "jpg"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(ReadFile(dir.File("out/a.jpg")) == jpeg);
  EXPECT_EQ(testing::LibjpegDecode(ReadFile(dir.File("out/b.jpg"))).width, 6);
  EXPECT_EQ(testing::WithoutTime(result.err), "[1/2] " + dir.File("in/a.jpg") + "\n[2/2] " +
                                                  dir.File("in/b.bmp") +
                                                  "\nComplete!\n2 files done in T s\n");
}

TEST(CliConvert, TiffThatNoReaderTakesEndsTheRunWithAnErrorNamingIt) {
  TempDir dir;
  const std::string bad = dir.Write("in/bad.tif", "no picture");
  dir.Mkdir("out");
  const auto result =
      RunCli({"convert", "--source", dir.File("in"), "--dest", dir.File("out"), "--type", "tif"});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("\"" + bad + "\""), std::string::npos) << result.err;
  EXPECT_TRUE(std::filesystem::is_empty(dir.File("out")));
}

TEST(CliConvert, JpegStripThatEndsEarlyIsAWarningAndTheRunGoesOn) {
  TempDir dir;
  dir.Write("in/cut.tif", testing::JpegStripThatEndsEarly());
  dir.Mkdir("out");
  const auto result = RunCli({"convert", "--source", dir.File("in"), "--dest", dir.File("out"),
                              "--type", "tif", "--to", "bmp"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.err.find("Warning: JPEG decompression error. Unexpected end of input.\n"),
            std::string::npos)
      << result.err;
  EXPECT_TRUE(std::filesystem::exists(dir.File("out/cut.bmp")));
}

TEST(CliRename, CopiesTheListedFolderUnderNumberedNames) {
  TempDir dir;
  dir.Write("in/b.JPG", "bee");
  dir.Write("in/a.jpg", "ay");
  dir.Write("in/sub/c.jpeg", "sea");
  dir.Mkdir("out");
  const auto result =
      RunCli({"rename", "--source", dir.File("in"), "--dest", dir.File("out"), "--subfolders",
              "--prefix", "Trip_", "--suffix", "_x", "--first", "9", "--step", "-1"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(ReadFile(dir.File("out/Trip_0009_x.jpg")), "ay");
  EXPECT_EQ(ReadFile(dir.File("out/Trip_0008_x.JPG")), "bee");
  EXPECT_EQ(ReadFile(dir.File("out/Trip_0007_x.jpeg")), "sea");
  EXPECT_EQ(testing::WithoutTime(result.err),
            "[1/3] " + dir.File("in/a.jpg") + "\nComplete!\n3 files done in T s\n");
}

TEST(CliRename, TakesTheListFromStandardInputAndStopsAtAnUnreadableFile) {
  TempDir dir;
  dir.Write("a.jpg", "1");
  dir.Mkdir("out");
  const auto result =
      RunCli({"rename", "--source", dir.Str(), "--dest", dir.File("out"), "--list", "-"},
             dir.File("a.jpg") + "\r\n" + dir.File("gone.jpg") + "\n");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(ReadFile(dir.File("out/Img_0001.jpg")), "1");
  EXPECT_NE(result.err.find("ファイル \"" + dir.File("gone.jpg") + "\" は開けません。"),
            std::string::npos)
      << result.err;
  EXPECT_EQ(result.err.find("Complete!"), std::string::npos);
}

TEST(CliRename, NothingToDoIsReportedAsAFailure) {
  TempDir dir;
  const auto result = RunCli({"rename", "--source", dir.Str(), "--dest", dir.Str()});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("nothing done"), std::string::npos);
}

// The names in the folder, hidden ones included, sorted.
std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(CliRename, InterruptTerminateOrHangupStopsBetweenTwoFilesAndLeavesNoTemporaryFile) {
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal_number);
    TempDir dir;
    // Long paths fill the one page of standard error after a few progress lines, which holds
    // the child in the middle of the run until the test reads on.
    const std::string source = dir.Mkdir(std::string(200, 's'));
    constexpr int kFiles = 300;
    for (int i = 0; i < kFiles; ++i) dir.Write(source + "/f" + std::to_string(1000 + i) + ".jpg");
    const std::string out = dir.Mkdir("out");
    CliProcess cli({"rename", "--source", source, "--dest", out});
    ASSERT_TRUE(cli.WaitUntilBlockedWritingErrors());
    cli.Signal(signal_number);
    const auto result = cli.Finish();

    EXPECT_EQ(result.status, 130) << result.err;
    EXPECT_NE(result.err.find("中断されました。"), std::string::npos);
    const std::vector<std::string> copies = Names(out);
    ASSERT_GT(copies.size(), 0u);
    ASSERT_LT(copies.size(), static_cast<size_t>(kFiles));
    for (size_t i = 0; i < copies.size(); ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "Img_%04zu.jpg", i + 1);
      EXPECT_EQ(copies[i], name);
    }
  }
}

TEST(CliRename, FileSizeLimitIsAWriteErrorInsteadOfAKill) {
  TempDir dir;
  dir.Write("in/big.jpg", std::string(64 * 1024, 'b'));
  const std::string out = dir.Mkdir("out");
  CliProcess cli({"rename", "--source", dir.File("in"), "--dest", out}, "", 4096);
  const auto result = cli.Finish();
  EXPECT_EQ(result.status, 1) << result.err;
  EXPECT_NE(result.err.find("ストリームへの書き込みエラー"), std::string::npos) << result.err;
  EXPECT_TRUE(Names(out).empty());
}

TEST(CliRename, NamesWithALineBreakAreLeftOutAndLatin1NamesKeepTheirExtension) {
  TempDir dir;
  dir.Write("in/a\nb.jpg", "broken");
  dir.Write("in/c\rd.jpg", "broken");
  dir.Write("in/caf\xE9.jpg", "latin");
  dir.Write("in/ok.jpg", "fine");
  const std::string base = dir.File("in") + "/";
  const std::string warning = "quillomark-cli: left out, the name holds a line break: ";

  const auto listed = RunCli({"list", "--source", dir.File("in")});
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(listed.out, base + "caf\xE9.jpg\n" + base + "ok.jpg\n");
  EXPECT_NE(listed.err.find(warning + base + "a\\nb.jpg\n"), std::string::npos) << listed.err;
  EXPECT_NE(listed.err.find(warning + base + "c\\rd.jpg\n"), std::string::npos) << listed.err;

  const std::string out = dir.Mkdir("out");
  const auto renamed = RunCli({"rename", "--source", dir.File("in"), "--dest", out});
  EXPECT_EQ(renamed.status, 0) << renamed.err;
  EXPECT_EQ(Names(out), (std::vector<std::string>{"Img_0001.jpg", "Img_0002.jpg"}));
  EXPECT_EQ(ReadFile(out + "/Img_0001.jpg"), "latin");
  EXPECT_EQ(ReadFile(out + "/Img_0002.jpg"), "fine");
}

std::string Jpeg(int width, int height) {
  return testing::LibjpegEncode(testing::PhotoSamples(width, height));
}

TEST(CliRotate, TurnsTheListedJpegFilesLeftUnlessToldOtherwise) {
  TempDir dir;
  dir.Write("in/a.jpg", Jpeg(30, 20));
  dir.Write("in/sub/b.JPEG", Jpeg(8, 40));
  dir.Write("in/c.tif", "not listed");
  for (const char* turn : {"", "left", "right", "180"}) {
    SCOPED_TRACE(turn);
    const std::string out = dir.Mkdir(std::string("out-") + turn);
    std::vector<std::string> args = {"rotate", "--source", dir.File("in"),
                                     "--dest", out,        "--subfolders"};
    if (*turn != '\0') args.insert(args.end(), {"--turn", turn});
    const auto result = RunCli(args);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(testing::WithoutTime(result.err), "[1/2] " + dir.File("in/a.jpg") + "\n[2/2] " +
                                                    dir.File("in/sub/b.JPEG") +
                                                    "\nComplete!\n2 files done in T s\n");
    const testing::Samples a = testing::LibjpegDecode(ReadFile(out + "/a.jpg"));
    const bool quarter = std::string(turn) != "180";
    EXPECT_EQ(a.width, quarter ? 20 : 30);
    EXPECT_EQ(testing::LibjpegDecode(ReadFile(out + "/b.JPEG")).height, quarter ? 8 : 40);
    EXPECT_FALSE(std::filesystem::exists(out + "/c.tif"));
  }
  EXPECT_EQ(ReadFile(dir.File("out-/a.jpg")), ReadFile(dir.File("out-left/a.jpg")));
}

TEST(CliRotate, GreyFileEndsTheRunWithItsError) {
  TempDir dir;
  dir.Write("a.jpg", testing::LibjpegEncode(testing::PhotoSamples(8, 8), {.jpeg = JCS_GRAYSCALE}));
  const auto result = RunCli({"rotate", "--source", dir.Str(), "--dest", dir.Mkdir("out")});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("PixelFormat is not Available."), std::string::npos) << result.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("out/a.jpg")));
  // An output folder that does not exist: nothing at all is done.
  const auto nothing = RunCli({"rotate", "--source", dir.Str(), "--dest", dir.File("gone")});
  EXPECT_EQ(nothing.status, 1);
  EXPECT_NE(nothing.err.find("nothing done"), std::string::npos) << nothing.err;
}

TEST(CliRotate, InterruptStopsBetweenTwoFiles) {
  TempDir dir;
  dir.Write("a.jpg", Jpeg(16, 16));
  // Long enough to turn that the interrupt arrives while it is under way.
  dir.Write("b.jpg", Jpeg(4000, 3000));
  dir.Write("c.jpg", Jpeg(16, 16));
  const std::string out = dir.Mkdir("out");
  CliProcess cli({"rotate", "--source", dir.Str(), "--dest", out});
  ASSERT_TRUE(cli.WaitForError("[2/3] " + dir.File("b.jpg")));
  cli.Signal(SIGINT);
  const auto result = cli.Finish();
  EXPECT_EQ(result.status, 130) << result.err;
  EXPECT_NE(result.err.find("中断されました。"), std::string::npos) << result.err;
  EXPECT_TRUE(std::filesystem::exists(out + "/a.jpg"));
  EXPECT_FALSE(std::filesystem::exists(out + "/c.jpg"));
}

TEST(CliEnfuse, WritesTheBatchFileIntoTheSourceFolder) {
  TempDir dir;
  for (const char* name : {"IMG_1.JPG", "IMG_2.JPG", "IMG_3.JPG", "IMG_4.JPG"}) dir.Write(name);
  const auto result = RunCli({"enfuse", "--source", dir.Str(), "--bracket", "2", "--option",
                              "-o --hard-mask", "--bat-name", "go.bat"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(ReadFile(dir.File("go.bat")),
            "if not exist \"enfused\\.\" mkdir enfused\r\n"
            "enfuse -o --hard-mask enfused/IMG_1-IMG_2.JPG IMG_1.JPG IMG_2.JPG\r\n"
            "enfuse -o --hard-mask enfused/IMG_3-IMG_4.JPG IMG_3.JPG IMG_4.JPG\r\n");
  EXPECT_EQ(RunCli({"enfuse", "--source", dir.Str(), "--list", dir.File("missing.txt")}).status, 1);
}

}  // namespace
}  // namespace quillo
