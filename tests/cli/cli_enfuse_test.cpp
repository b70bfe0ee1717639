#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_process.h"
#include "support/jpeg_test_support.h"
#include "support/program_output.h"
#include "support/scoped_environment.h"
#include "support/shot_test_support.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

namespace fs = std::filesystem;
using testing::CliProcess;
using testing::ReadFile;
using testing::RunCli;
using testing::ShotTags;
using testing::TempDir;

constexpr int kWidth = 96;
constexpr int kHeight = 64;

struct Exposure {
  const char* name;
  const char* time;  // capture time
  const char* exposure;
  double brightness;
  int orientation = 0;
};

// Writes shots with the EXIF a camera would write; the reference shot of each bracket gets its
// own model name so that the result shows whose EXIF it carries.
void Shoot(const TempDir& dir, const std::vector<Exposure>& shots, const std::string& icc = "") {
  for (const Exposure& shot : shots) {
    ShotTags tags{.date_time_original = shot.time,
                  .sub_seconds = "50",
                  .exposure_time = shot.exposure,
                  .model = std::string("Bracket ") + shot.name,
                  .orientation = shot.orientation};
    dir.Write(shot.name, testing::ShotJpeg(tags, kWidth, kHeight, shot.brightness, icc));
  }
}

// Three brackets of one camera: 0, -2, +2 EV each, a stray shot between the first two, a file
// without EXIF and one that is no picture.
void ShootFolder(const TempDir& dir) {
  for (const char* name : {"a1.jpg", "a2.jpg", "a3.jpg", "b1.jpg", "b2.jpg", "b3.jpg"}) {
    const bool b = name[0] == 'b';
    const char digit = name[1];
    const std::string time = std::string(b ? "2024:05:01 10:01:0" : "2024:05:01 10:00:0") + digit;
    const char* exposure = digit == '1' ? "1/100" : digit == '2' ? "1/400" : "1/25";
    ShotTags tags{.date_time_original = time, .exposure_time = exposure, .make = "Quillo"};
    dir.Write(name, testing::ShotJpeg(tags, kWidth, kHeight));
  }
  ShotTags stray{
      .date_time_original = "2024:05:01 10:00:30", .exposure_time = "1/100", .make = "Quillo"};
  dir.Write("stray.jpg", testing::ShotJpeg(stray, kWidth, kHeight));
  dir.Write("plain.jpg", testing::LibjpegEncode(testing::PhotoSamples(kWidth, kHeight)));
}

TEST(CliEnfuse, ShowGroupsPrintsTheBracketsAndTheSinglesAndWritesNothing) {
  TempDir dir;
  ShootFolder(dir);
  const std::string before = testing::FileNames(dir.Str());
  const auto result = RunCli({"enfuse", "--source", dir.Str(), "--group", "auto", "--show-groups"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "bracket 1: enfused/a1-a2-a3.jpg\n"
            "  " +
                dir.File("a1.jpg") +
                "  EV 12.6  (reference)\n"
                "  " +
                dir.File("a2.jpg") +
                "  EV 14.6  pause 1.0 s\n"
                "  " +
                dir.File("a3.jpg") +
                "  EV 10.6  pause 1.0 s\n"
                "bracket 2: enfused/b1-b2-b3.jpg\n"
                "  " +
                dir.File("b1.jpg") +
                "  EV 12.6  pause 31.0 s  (reference)\n"
                "  " +
                dir.File("b2.jpg") +
                "  EV 14.6  pause 1.0 s\n"
                "  " +
                dir.File("b3.jpg") +
                "  EV 10.6  pause 1.0 s\n"
                "singles:\n"
                "  " +
                dir.File("stray.jpg") +
                ": alone: a pause of 27.0 s before it, a pause of 31.0 s after it\n"
                "  " +
                dir.File("plain.jpg") + ": no EXIF\n");
  EXPECT_EQ(testing::FileNames(dir.Str()), before);
  EXPECT_FALSE(fs::exists(dir.File("enfused")));
}

TEST(CliEnfuse, AutoGroupsWriteAShellScriptOrTheBatchFile) {
  TempDir dir;
  ShootFolder(dir);
  auto result = RunCli({"enfuse", "--source", dir.Str(), "--group", "auto", "--script", "sh"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.err.find(dir.File("plain.jpg") + ": in no bracket, no EXIF\n"),
            std::string::npos)
      << result.err;
  const std::string script = ReadFile(dir.File("makeenfuse.sh"));
  EXPECT_NE(script.find("\nenfuse -o 'enfused/a1-a2-a3.jpg' 'a1.jpg' 'a2.jpg' 'a3.jpg'\n"
                        "enfuse -o 'enfused/b1-b2-b3.jpg' 'b1.jpg' 'b2.jpg' 'b3.jpg'\n"),
            std::string::npos)
      << script;

  result = RunCli({"enfuse", "--source", dir.Str(), "--group", "auto", "--bat-name", "go.bat"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(ReadFile(dir.File("go.bat")),
            "if not exist \"enfused\\.\" mkdir enfused\r\n"
            "enfuse -o enfused/a1-a2-a3.jpg a1.jpg a2.jpg a3.jpg\r\n"
            "enfuse -o enfused/b1-b2-b3.jpg b1.jpg b2.jpg b3.jpg\r\n");

  result = RunCli({"enfuse", "--source", dir.Str(), "--group", "auto", "--script", "sh",
                   "--bat-name", "missing/go.sh"});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find(dir.File("missing/go.sh")), std::string::npos) << result.err;
  EXPECT_FALSE(fs::exists(dir.File("missing")));
}

TEST(CliEnfuse, RunWithNoBracketMakesNoFolder) {
  TempDir dir;
  dir.Write("plain.jpg", testing::LibjpegEncode(testing::PhotoSamples(kWidth, kHeight)));
  const auto result = RunCli({"enfuse", "--source", dir.Str(), "--group", "auto", "--run"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, dir.File("plain.jpg") + ": in no bracket, no EXIF\nno bracket to fuse\n");
  EXPECT_FALSE(fs::exists(dir.File("enfused")));
}

TEST(CliEnfuse, BadOptionsAreUsageErrors) {
  TempDir dir;
  struct Case {
    const char* name;
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {"GroupOtherThanAuto", {"--group", "time"}, "--group: expected auto, not time"},
      {"GroupWithBracket",
       {"--group", "auto", "--bracket", "3"},
       "--bracket and --group auto exclude each other"},
      {"GapWithoutGroup", {"--gap", "3"}, "--gap needs --group auto"},
      {"MaxBracketWithoutGroup", {"--max-bracket", "3"}, "--max-bracket needs --group auto"},
      {"GapNotANumber", {"--group", "auto", "--gap", "2s"}, "--gap: not a number of seconds: 2s"},
      {"NegativeGap", {"--group", "auto", "--gap", "-1"}, "--gap: not a number of seconds: -1"},
      {"MaxBracketOne",
       {"--group", "auto", "--max-bracket", "1"},
       "--max-bracket: expected a whole number of at least 2, not 1"},
      {"BracketNotANumber",
       {"--run", "--bracket", "three"},
       "--bracket: not a whole number: three"},
      {"UnknownScript", {"--script", "cmd"}, "--script: expected bat or sh, not cmd"},
      {"ShowGroupsWithRun",
       {"--show-groups", "--run"},
       "--show-groups writes nothing: it excludes --run, --script and --bat-name"},
      {"RunWithScript",
       {"--run", "--script", "sh"},
       "--run writes no file: it excludes --script and --bat-name"},
      {"JobsWithoutRun", {"--jobs", "2"}, "--jobs needs --run"},
      {"NoJobs", {"--run", "--jobs", "0"}, "--jobs: expected a whole number of at least 1, not 0"},
      {"UnclosedQuote",
       {"--run", "--option", "--mask 'x -o"},
       "--option: the option text has an unclosed single quote: --mask 'x -o"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = {"enfuse", "--source", dir.Str()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto result = RunCli(args);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.rfind(std::string("quillomark-cli: ") + c.message + "\nusage:", 0), 0u)
        << result.err;
  }
  EXPECT_EQ(testing::FileNames(dir.Str()), "");
}

TEST(CliEnfuse, RunWithoutEnfuseOnPathWritesNothing) {
  TempDir dir;
  ShootFolder(dir);
  const testing::ScopedEnvironment path("PATH", dir.Mkdir("empty bin"));
  const auto result = RunCli({"enfuse", "--source", dir.Str(), "--group", "auto", "--run"});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("enfuse not found on PATH"), std::string::npos) << result.err;
  EXPECT_FALSE(fs::exists(dir.File("enfused")));
}

// exiftool's numeric values of the tags of one file.
std::vector<std::string> Tags(const std::string& path, const std::vector<std::string>& tags) {
  return testing::ExiftoolTable({path}, tags).front();
}

TEST(CliEnfuse, RunFusesWithEnfuseAndCarriesTheReferenceExposure) {
  TempDir dir;
  const std::string icc = testing::RgbIccProfile();
  // Bracket b is shot dark, normal, bright; its reference, b2, stands on its side.
  Shoot(dir,
        {{"a1.jpg", "2024:05:01 10:00:00", "1/100", 1.0},
         {"a2.jpg", "2024:05:01 10:00:00", "1/400", 0.5},
         {"a3.jpg", "2024:05:01 10:00:00", "1/25", 1.6},
         {"b1.jpg", "2024:05:01 10:01:00", "1/400", 0.5},
         {"b2.jpg", "2024:05:01 10:01:00", "1/100", 1.0, 6},
         {"b3.jpg", "2024:05:01 10:01:00", "1/25", 1.6},
         {"c1.jpg", "2024:05:01 10:02:00", "1/100", 1.0},
         {"c3.jpg", "2024:05:01 10:02:00", "1/25", 1.6}},
        icc);
  dir.Write("c2.jpg", "this is no picture");
  const auto result = RunCli({"enfuse", "--source", dir.Str(), "--bracket", "3", "--run", "--jobs",
                              "2", "--option", "--exposure-weight=1 -o"});
  EXPECT_EQ(result.status, 1) << result.err;
  EXPECT_NE(result.err.find("] enfused/a1-a2-a3.jpg\n"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("] enfused/b1-b2-b3.jpg\n"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("] enfused/c1-c2-c3.jpg: enfuse failed with exit status 1\n  "),
            std::string::npos)
      << result.err;
  for (const char* k : {"[1/3]", "[2/3]", "[3/3]"})
    EXPECT_NE(result.err.find(k), std::string::npos) << result.err;
  // No partial result, hidden or not.
  EXPECT_EQ(testing::FileNames(dir.File("enfused")), "a1-a2-a3.jpg b1-b2-b3.jpg");

  const std::vector<std::string> tags = {
      "DateTimeOriginal", "ExposureTime", "Orientation",    "Model",
      "GPSLatitude",      "ProfileClass", "ExifImageWidth", "ImageWidth"};
  struct Expected {
    const char* result;
    std::vector<std::string> tags;
  };
  const Expected expected[] = {
      {"a1-a2-a3.jpg",
       {"2024:05:01 10:00:00", "0.01", "-", "Bracket a1.jpg", "35.6581444444444", "mntr", "96",
        "96"}},
      {"b1-b2-b3.jpg",
       {"2024:05:01 10:01:00", "0.01", "6", "Bracket b2.jpg", "35.6581444444444", "mntr", "96",
        "96"}},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.result);
    const std::string path = dir.File("enfused/" + std::string(e.result));
    EXPECT_EQ(Tags(path, tags), e.tags);
    const testing::Samples fused = testing::LibjpegDecode(ReadFile(path));
    EXPECT_EQ(fused.width, kWidth);
    EXPECT_EQ(fused.height, kHeight);
  }
}

// A stand-in enfuse on PATH that writes half a result, notes its process id, and takes long.
std::string SlowEnfuse(const TempDir& dir) {
  const std::string bin = dir.Mkdir("bin");
  const std::string program =
      dir.Write("bin/enfuse",
                "#!/bin/sh\nfor last; do :; done\necho $$ > \"$last.pid\"\n"
                "for out; do case $out in */.*) echo half > \"$out\";; esac; done\n"
                "exec sleep 60\n");
  ::chmod(program.c_str(), 0755);
  return bin;
}

TEST(CliEnfuse, InterruptOrTerminateEndsTheRunningEnfuseAndRemovesItsResult) {
  for (const int signal_number : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal_number);
    TempDir dir;
    ShootFolder(dir);
    const testing::ScopedEnvironment path("PATH", SlowEnfuse(dir) + ":/usr/bin:/bin");
    CliProcess cli({"enfuse", "--source", dir.Str(), "--group", "auto", "--run", "--jobs", "1"});
    // The first bracket's enfuse has started and written half its result.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(dir.File("a3.jpg.pid")) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(fs::exists(dir.File("a3.jpg.pid")));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    cli.Signal(signal_number);
    const auto result = cli.Finish();
    EXPECT_EQ(result.status, 130) << result.err;
    EXPECT_EQ(testing::FileNames(dir.File("enfused")), "");
    EXPECT_FALSE(fs::exists(dir.File("b3.jpg.pid")));
    const pid_t enfuse = std::stoi(ReadFile(dir.File("a3.jpg.pid")));
    EXPECT_NE(::kill(enfuse, 0), 0);
  }
}

}  // namespace
}  // namespace quillo
