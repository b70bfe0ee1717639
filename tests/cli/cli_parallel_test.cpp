// The shell front end working on several files at once: --jobs, the same files as one at a time,
// and a kill in the middle of a run.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_process.h"
#include "support/exif_test_support.h"
#include "support/jpeg_test_support.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

using testing::CliProcess;
using testing::FileNames;
using testing::ReadFile;
using testing::RunCli;
using testing::TempDir;

TEST(CliJobs, ACountBelowOneOrNoNumberIsAUsageError) {
  TempDir dir;
  for (const char* jobs : {"0", "-2", "two", ""}) {
    SCOPED_TRACE(jobs);
    const auto result = RunCli(
        {"rotate", "--source", dir.Str(), "--dest", dir.Str(), std::string("--jobs=") + jobs});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("--jobs: expected a whole number from 1"), std::string::npos)
        << result.err;
  }
  EXPECT_EQ(RunCli({"rename", "--source", dir.Str(), "--dest", dir.Str(), "--jobs", "2"}).status,
            2);
}

// Files of several sizes, some not whole blocks, with EXIF orientations, and a BMP file.
void WriteSources(const TempDir& dir) {
  const int kSizes[][2] = {{96, 64}, {90, 70}, {33, 128}, {160, 48}, {64, 64}, {17, 9}, {48, 80}};
  for (int i = 0; i < 7; ++i) {
    const auto samples = testing::PhotoSamples(kSizes[i][0], kSizes[i][1], i + 1);
    dir.Write("in/p" + std::to_string(i) + ".jpg",
              testing::LibjpegEncode(
                  samples, {.progressive = i % 3 == 0,
                            .markers = {{testing::kApp1, testing::ExifPayload(i % 8 + 1)}}}));
  }
}

TEST(CliJobs, EveryWayToTurnAndConvertWritesTheSameFilesAndLinesAtOneAndAtFourFilesAtOnce) {
  TempDir dir;
  WriteSources(dir);
  const std::vector<std::vector<std::string>> commands = {
      {"rotate", "--turn", "right"},
      {"rotate", "--turn", "left", "--lossless"},
      {"rotate", "--auto"},
      {"convert", "--to", "tif", "--type", "jpg"},
      {"convert", "--to", "bmp", "--type", "jpg"},
  };
  for (const auto& command : commands) {
    SCOPED_TRACE(command[0] + " " + command[1]);
    std::vector<std::string> errors;
    for (const char* jobs : {"1", "4"}) {
      const std::string out = dir.File(std::string("out-") + jobs);
      std::filesystem::remove_all(out);
      std::filesystem::create_directories(out);
      std::vector<std::string> args = command;
      args.insert(args.end(), {"--source", dir.File("in"), "--dest", out, "--jobs", jobs});
      const auto result = RunCli(args);
      EXPECT_EQ(result.status, 0) << result.err;
      errors.push_back(result.err);
    }
    EXPECT_EQ(errors[0], errors[1]);
    // The lines of files turned by re-encoding come with their files, in list order.
    if (command[1] == "--turn" && command.size() > 3) {
      EXPECT_NE(errors[0].find("p1.jpg: not whole blocks"), std::string::npos) << errors[0];
    }
    EXPECT_EQ(FileNames(dir.File("out-1")), FileNames(dir.File("out-4")));
    EXPECT_NE(FileNames(dir.File("out-1")), "");
    for (const auto& entry : std::filesystem::directory_iterator(dir.File("out-1"))) {
      const std::string name = entry.path().filename().string();
      EXPECT_TRUE(ReadFile(entry.path().string()) == ReadFile(dir.File("out-4/" + name))) << name;
    }
  }
}

// Many files, each large enough to take a while, turned into their own folder two at a time.
TEST(CliJobs, KillDuringARunLeavesEveryFileWholeAndNoTemporaryFile) {
  TempDir dir;
  constexpr int kCount = 8;
  std::vector<std::string> names;
  for (int i = 0; i < kCount; ++i) {
    names.push_back("IMG_" + std::to_string(100 + i) + ".jpg");
    dir.Write("originals/" + names.back(),
              testing::LibjpegEncode(testing::PhotoSamples(1800, 1200, i + 1)));
  }
  const std::string turned = dir.Mkdir("turned");
  ASSERT_EQ(RunCli({"rotate", "--turn", "right", "--source", dir.File("originals"), "--dest",
                    turned, "--jobs", "1"})
                .status,
            0);
  struct Case {
    const char* name;
    bool in_place;
  };
  for (const Case c : {Case{"IntoAnotherFolder", false}, Case{"IntoItsOwnFolder", true}}) {
    SCOPED_TRACE(c.name);
    const std::string run = dir.File(c.name);
    std::filesystem::copy(dir.File("originals"), run);
    const std::string out = c.in_place ? run : dir.Mkdir(std::string(c.name) + "-out");
    CliProcess cli({"rotate", "--turn", "right", "--source", run, "--dest", out, "--jobs", "2"});
    ASSERT_TRUE(cli.WaitForError("] " + run + "/" + names[kCount / 2]));
    cli.Signal(SIGKILL);
    EXPECT_EQ(cli.Finish().status, 128 + SIGKILL);

    // Every original is still there, untouched or wholly replaced by its turn, and the files
    // written are those of the first files of the list: nothing else, no temporary name.
    int written = 0;
    for (int i = 0; i < kCount; ++i) {
      SCOPED_TRACE(names[i]);
      const std::string original = ReadFile(dir.File("originals/" + names[i]));
      const std::string expected = ReadFile(turned + "/" + names[i]);
      if (!c.in_place) {
        EXPECT_TRUE(ReadFile(run + "/" + names[i]) == original);
      }
      const std::string target = out + "/" + names[i];
      if (!std::filesystem::exists(target)) continue;
      const std::string now = ReadFile(target);
      const bool is_turned = now == expected;
      EXPECT_TRUE(is_turned || (c.in_place && now == original));
      if (is_turned) {
        EXPECT_EQ(written, i) << "a turned file after one that was not";
        ++written;
      }
    }
    EXPECT_GE(written, kCount / 2);
    EXPECT_LT(written, kCount);
    std::string expected_names;
    for (int i = 0; i < (c.in_place ? kCount : written); ++i)
      expected_names += (i > 0 ? " " : "") + names[i];
    EXPECT_EQ(FileNames(out), expected_names);
  }
}

}  // namespace
}  // namespace quillo
