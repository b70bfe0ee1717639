// The shell front end's lossless turns: rotate --lossless and rotate --auto.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_process.h"
#include "support/exif_test_support.h"
#include "support/jpeg_test_support.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

using testing::LibjpegDecode;
using testing::ReadFile;
using testing::RunCli;
using testing::Samples;
using testing::TempDir;

TEST(CliRotateLossless, TurnsInTheCodedBlocksAndNamesEachFileEncodedAfresh) {
  TempDir dir;
  const std::string whole =
      dir.Write("in/a.jpg", testing::LibjpegEncode(testing::PhotoSamples(96, 64)));
  const std::string partial =
      dir.Write("in/b.jpg", testing::LibjpegEncode(testing::PhotoSamples(90, 64)));
  const std::string out = dir.Mkdir("out");
  const auto result = RunCli({"rotate", "--lossless", "--source", dir.File("in"), "--dest", out});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(testing::WithoutTime(result.err),
            "[1/2] " + whole + "\n[2/2] " + partial + "\nquillomark-cli: " + partial +
                ": not whole blocks, turned by re-encoding\nComplete!\n2 files done in T s\n");
  const Samples expected = testing::TurnSamples(LibjpegDecode(ReadFile(whole)), ptRotate270);
  const Samples turned = LibjpegDecode(ReadFile(out + "/a.jpg"));
  ASSERT_EQ(turned.width, 64);
  EXPECT_LE(testing::MaxDifference(turned, expected), 3);
  EXPECT_EQ(LibjpegDecode(ReadFile(out + "/b.jpg")).height, 90);
}

TEST(CliRotateAuto, EveryOrientationComesOutAsTheSameUprightPicture) {
  TempDir dir;
  const Samples upright = testing::PhotoSamples(64, 48);
  // The turn whose result the stored picture is: the opposite of the one that sets it upright.
  const TPictureTurn kStoredAs[] = {ptNone,      ptFlipHorizontal, ptRotate180,  ptFlipVertical,
                                    ptTranspose, ptRotate270,      ptTransverse, ptRotate90};
  for (int orientation = 1; orientation <= 8; ++orientation) {
    dir.Write(
        "in/" + std::to_string(orientation) + ".jpg",
        testing::LibjpegEncode(testing::TurnSamples(upright, kStoredAs[orientation - 1]),
                               {.markers = {{testing::kApp1, testing::ExifPayload(orientation)}}}));
  }
  const std::string out = dir.Mkdir("out");
  const auto result = RunCli({"rotate", "--auto", "--source", dir.File("in"), "--dest", out});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err.find("re-encoding"), std::string::npos) << result.err;
  EXPECT_EQ(ReadFile(out + "/1.jpg"), ReadFile(dir.File("in/1.jpg")));
  // The upright file, copied unchanged, is what the others must look like; its own distance
  // from the samples is the encoder's loss.
  const Samples first = LibjpegDecode(ReadFile(out + "/1.jpg"));
  EXPECT_GE(testing::Psnr(first, upright), 30.0);
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    const std::string bytes = ReadFile(out + "/" + std::to_string(orientation) + ".jpg");
    EXPECT_EQ(testing::ExifTags(bytes)["Exif.Image.Orientation"], "1");
    const Samples turned = LibjpegDecode(bytes);
    ASSERT_EQ(turned.width, 64);
    EXPECT_GE(testing::Psnr(turned, first), 35.0);
  }
}

// The picture is what the user asked to turn: a thumbnail that cannot be turned is left out,
// and one line says so.
TEST(CliRotateLossless, ThumbnailThatCannotBeTurnedIsLeftOutWithALineSayingSo) {
  TempDir dir;
  const std::string source =
      dir.Write("in/a.jpg",
                testing::LibjpegEncode(
                    testing::PhotoSamples(96, 64),
                    {.markers = {{testing::kApp1, testing::ExifPayload(1, "<Dummy thumbnail>")}}}));
  const std::string out = dir.Mkdir("out");
  const auto result = RunCli({"rotate", "--lossless", "--source", dir.File("in"), "--dest", out});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.err.find("[1/1] " + source + "\nquillomark-cli: " + source +
                            ": the EXIF thumbnail cannot be turned and is left out: it is not a "
                            "JPEG picture\nComplete!\n"),
            std::string::npos)
      << result.err;
  const std::string turned = ReadFile(out + "/a.jpg");
  EXPECT_EQ(testing::ExifThumbnail(turned), "");
  EXPECT_EQ(LibjpegDecode(turned).width, 64);
}

TEST(CliRotateAuto, DamagedExifBlockEndsTheRunWithAnErrorNamingTheFile) {
  TempDir dir;
  const std::string damaged = dir.Write(
      "a.jpg",
      testing::LibjpegEncode(
          testing::PhotoSamples(32, 32),
          {.markers = {{testing::kApp1, std::string("Exif\0\0II*\0\x08\0\0\0\xff\x7f", 16)}}}));
  const std::string out = dir.Mkdir("out");
  const auto result = RunCli({"rotate", "--auto", "--source", dir.Str(), "--dest", out});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find(damaged + ": damaged EXIF block: "), std::string::npos) << result.err;
  EXPECT_TRUE(std::filesystem::is_empty(out));
}

}  // namespace
}  // namespace quillo
