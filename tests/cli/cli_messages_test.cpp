// What the shell front end tells about a job: error and warning lines that name the file, in the
// language of the environment; progress lines with the file's place in the list; and the count
// of files done.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "cli/cli_process.h"
#include "support/jpeg_test_support.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

using testing::RunCliIn;
using testing::TempDir;

constexpr char kNoLocale[] = "";
constexpr char kEnglish[] = "en_US.UTF-8";

std::string Photo(int width = 32, int height = 24) {
  return testing::LibjpegEncode(testing::PhotoSamples(width, height));
}

// The same picture with a restart marker the file does not use in the middle of its coded data.
std::string WithStrayMarker(std::string jpeg) {
  jpeg.insert(jpeg.size() / 2, "\xFF\xD5");
  return jpeg;
}

TEST(CliMessages, ErrorLineNamesTheFileAndTheReason) {
  const struct {
    const char* name;
    const char* lang;
    std::string content;
    std::string message;  // after "quillomark-cli: PATH: "
  } rows[] = {
      {"JpegErrorWithoutLocale", kNoLocale, "no picture",
       "JPEG エラー #53: Not a JPEG file: starts with 0x6e 0x6f"},
      {"JpegErrorInEnglish", kEnglish, "no picture",
       "JPEG error #53: Not a JPEG file: starts with 0x6e 0x6f"},
      {"EmptyJpegInEnglish", kEnglish, "", "JPEG error #42: Empty input file"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    const std::string bad = dir.Write("in/bad.jpg", row.content);
    const std::string out = dir.Mkdir("out");
    const auto result =
        RunCliIn(row.lang, {"convert", "--source", dir.File("in"), "--dest", out, "--to", "tif"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("\nquillomark-cli: " + bad + ": " + row.message + "\n"),
              std::string::npos)
        << result.err;
    EXPECT_TRUE(std::filesystem::is_empty(out));
  }
}

// A rename shows its progress every ten files only; the line of the error still names the file
// that failed, and the message is the catalogue's.
TEST(CliMessages, ErrorBetweenTwoProgressTextsNamesTheFileThatFailed) {
  TempDir dir;
  std::string list;
  for (int i = 0; i < 13; ++i)
    list += dir.Write("in/" + std::to_string(100 + i) + ".jpg", "x") + "\n";
  const std::string gone = dir.File("in/gone.jpg");
  list += gone + "\n";
  const auto result = testing::CliProcess({"rename", "--source", dir.File("in"), "--dest",
                                           dir.Mkdir("out"), "--list", "-"},
                                          list, RLIM_INFINITY, "", kEnglish)
                          .Finish();
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("\nquillomark-cli: " + gone + ": Cannot open the file \"" + gone +
                            "\". No such file or directory\n"),
            std::string::npos)
      << result.err;
}

TEST(CliMessages, DamagedJpegIsOneWarningAndTheJobCompletes) {
  // Large enough that half of it ends well inside the coded data.
  const std::string photo = Photo(320, 240);
  const struct {
    const char* name;
    std::vector<std::string> command;
    std::string content;
    std::string warning;
    std::string target;
  } rows[] = {
      {"RotateCutInHalf",
       {"rotate"},
       photo.substr(0, photo.size() / 2),
       "the data ends early; the rest of the picture is grey",
       "a.jpg"},
      {"ConvertCutInHalf",
       {"convert", "--to", "bmp"},
       photo.substr(0, photo.size() / 2),
       "the data ends early; the rest of the picture is grey",
       "a.bmp"},
      {"ConvertStrayMarker",
       {"convert", "--to", "tif"},
       WithStrayMarker(photo),
       "the data is corrupt; parts of the picture may be wrong",
       "a.tif"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    const std::string damaged = dir.Write("in/a.jpg", row.content);
    dir.Write("in/b.jpg", photo);
    const std::string out = dir.Mkdir("out");
    std::vector<std::string> args = row.command;
    args.insert(args.end(), {"--source", dir.File("in"), "--dest", out});
    const auto result = RunCliIn(kNoLocale, args);
    EXPECT_EQ(result.status, 0) << result.err;
    const std::string line = "quillomark-cli: " + damaged + ": " + row.warning + "\n";
    ASSERT_NE(result.err.find(line), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find(line), result.err.rfind(line)) << "told once: " << result.err;
    EXPECT_EQ(result.err.find("quillomark-cli: " + dir.File("in/b.jpg")), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(out + "/" + row.target));
  }
}

TEST(CliMessages, ProgressLinesCountTheListAndTheLastLineTheFilesDone) {
  TempDir dir;
  // Pictures large enough that the job waits for its workers, pumping meanwhile.
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
    dir.Write(std::string("in/") + name, Photo(2400, 1600));
  const std::string out = dir.Mkdir("out");
  const auto english =
      RunCliIn(kEnglish, {"convert", "--source", dir.File("in"), "--dest", out, "--jobs", "2"});
  EXPECT_EQ(english.status, 0) << english.err;
  const std::regex expected("\\[1/3\\] " + dir.File("in/a.jpg") + "\n\\[2/3\\] " +
                            dir.File("in/b.jpg") + "\n\\[3/3\\] " + dir.File("in/c.jpg") +
                            "\nComplete!\n3 files done in [0-9]+\\.[0-9] s\n");
  EXPECT_TRUE(std::regex_match(english.err, expected)) << english.err;

  // Ten files to a progress line, as the window shows them.
  std::string list;
  for (int i = 0; i < 12; ++i)
    list += dir.Write("many/" + std::to_string(10 + i) + ".jpg", "x") + "\n";
  const auto renamed = testing::CliProcess({"rename", "--source", dir.File("many"), "--dest",
                                            dir.Mkdir("renamed"), "--list", "-"},
                                           list)
                           .Finish();
  EXPECT_EQ(renamed.status, 0) << renamed.err;
  const std::regex ten("\\[1/12\\] " + dir.File("many/10.jpg") + "\n\\[11/12\\] " +
                       dir.File("many/20.jpg") + "\nComplete!\n12 files done in [0-9.]+ s\n");
  EXPECT_TRUE(std::regex_match(renamed.err, ten)) << renamed.err;
}

}  // namespace
}  // namespace quillo
