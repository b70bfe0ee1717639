#include "jobs/rename_images.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "platform/errors.h"
#include "platform/file_stream.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_window.h"

namespace quillo {
namespace {

using Files = std::map<std::string, std::string>;

constexpr char kExecute[] = "SpeedButton_RenameExecute";
constexpr char kAbort[] = "SpeedButton_RenameProcess";

// Every file of a folder, hidden ones included, by name.
Files FolderFiles(const std::string& folder) {
  Files files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    files[entry.path().filename().string()] = testing::ReadFile(entry.path().string());
  }
  return files;
}

std::string OpenError(const std::string& path, int error) {
  return ErrorBoxText(Format(kFileOpenErrorPattern, {path, std::strerror(error)}));
}

class RenameJob : public ::testing::Test {
 protected:
  RenameJob() : app_("/opt/quillomark/Quillomark.exe") {
    app_.Type("Edit_RenameSource", dir_.Mkdir("src"));
    app_.Type("Edit_RenameDest", out_);
  }

  // Source files src/<name> holding their own name, listed in this order.
  void List(const std::vector<std::string>& names) {
    std::vector<std::string> lines;
    for (const std::string& name : names) lines.push_back(dir_.Write("src/" + name, name));
    app_.SetLines("Editor3", lines);
  }

  void Run() { ASSERT_TRUE(app_.Click(kExecute)); }

  void ExpectIdle() {
    EXPECT_FALSE(app_.Form().rename_running);
    EXPECT_FALSE(app_.Window().SpeedButton(kAbort).Enabled());
  }

  bool SawComplete() {
    for (const std::string& text : app_.Window().StatusHistory()) {
      if (text == "Complete!") return true;
    }
    return false;
  }

  testing::TempDir dir_;
  std::string out_ = dir_.Mkdir("out") + "/";
  HeadlessApp app_;
};

TEST_F(RenameJob, CopiesUnderNumberedNamesWithTheSourceExtension) {
  app_.Type("Edit_RenameSource", dir_.Mkdir("shots.v2"));
  const std::string jpg = dir_.Write("shots.v2/DSC01.JPG", "first");
  const std::string jpeg = dir_.Write("shots.v2/sub/DSC02.jpeg", "second");
  const std::string bare = dir_.Write("shots.v2/readme", "third");
  app_.SetLines("Editor3", {jpg, jpeg, bare});
  app_.Type("Edit_Suffix", "_a");

  Run();

  EXPECT_EQ(
      FolderFiles(out_),
      (Files{{"Img_0001_a.JPG", "first"}, {"Img_0002_a.jpeg", "second"}, {"Img_0003_a", "third"}}));
  EXPECT_EQ(testing::ReadFile(jpg), "first");
  EXPECT_EQ(app_.Window().StatusHistory(),
            (std::vector<std::string>{"処理中 " + jpg, "Complete!"}));
  EXPECT_TRUE(app_.Boxes().empty());
  ExpectIdle();
}

struct NumberingCase {
  const char* name;
  const char* first_number;
  const char* step;
  Files expected;
};

class RenameNumbering : public RenameJob, public ::testing::WithParamInterface<NumberingCase> {};

TEST_P(RenameNumbering, NamesFollowFirstNumberAndStep) {
  List({"a.jpg", "b.jpg", "c.jpg"});
  app_.Type("Edit_FirstNumber", GetParam().first_number);
  app_.Type("Edit_RenameStep", GetParam().step);

  Run();

  EXPECT_EQ(FolderFiles(out_), GetParam().expected);
  EXPECT_EQ(app_.Status(), "Complete!");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RenameNumbering,
    ::testing::Values(
        NumberingCase{
            "FullWidthStepCountsAsOne",
            "1",
            "１",
            {{"Img_0001.jpg", "a.jpg"}, {"Img_0002.jpg", "b.jpg"}, {"Img_0003.jpg", "c.jpg"}}},
        NumberingCase{
            "LettersCountAsOne",
            "abc",
            "abc",
            {{"Img_0001.jpg", "a.jpg"}, {"Img_0002.jpg", "b.jpg"}, {"Img_0003.jpg", "c.jpg"}}},
        NumberingCase{
            "HexadecimalFirstNumber",
            "0x10",
            "$10",
            {{"Img_0016.jpg", "a.jpg"}, {"Img_0032.jpg", "b.jpg"}, {"Img_0048.jpg", "c.jpg"}}},
        NumberingCase{"StepZeroOverwritesAndTheLastWins", "7", "0", {{"Img_0007.jpg", "c.jpg"}}},
        NumberingCase{
            "NegativeNumbersKeepFourDigits",
            "-1",
            "1",
            {{"Img_-0001.jpg", "a.jpg"}, {"Img_0000.jpg", "b.jpg"}, {"Img_0001.jpg", "c.jpg"}}},
        NumberingCase{
            "NegativeStep",
            "  2",
            "-2",
            {{"Img_0002.jpg", "a.jpg"}, {"Img_0000.jpg", "b.jpg"}, {"Img_-0002.jpg", "c.jpg"}}},
        NumberingCase{
            "FiveDigitsAndMore",
            "9999",
            "90001",
            {{"Img_9999.jpg", "a.jpg"}, {"Img_100000.jpg", "b.jpg"}, {"Img_190001.jpg", "c.jpg"}}},
        NumberingCase{"WrapsAroundIn32Bits",
                      "2147483646",
                      "1",
                      {{"Img_2147483646.jpg", "a.jpg"},
                       {"Img_2147483647.jpg", "b.jpg"},
                       {"Img_-2147483648.jpg", "c.jpg"}}}),
    [](const ::testing::TestParamInfo<NumberingCase>& info) { return info.param.name; });

TEST_F(RenameJob, StatusEveryTenthFileAndAPumpForEveryFile) {
  std::vector<std::string> names;
  for (int i = 0; i < 25; ++i) names.push_back("f" + std::to_string(i) + ".jpg");
  List(names);
  const auto lines = app_.Lines("Editor3");

  Run();

  EXPECT_EQ(app_.Window().StatusHistory(),
            (std::vector<std::string>{"処理中 " + lines[0], "処理中 " + lines[10],
                                      "処理中 " + lines[20], "Complete!"}));
  EXPECT_EQ(app_.Window().Repaints(), 3);
  EXPECT_EQ(app_.Window().Pumps(), 25);
  EXPECT_EQ(FolderFiles(out_).size(), 25u);
}

TEST_F(RenameJob, EditsDuringARunApplyFromTheNextFile) {
  List({"a.jpg", "b.jpg", "c.jpg"});
  const std::string other = dir_.Mkdir("other") + "/";
  app_.Window().pump_hook = [&] {
    if (app_.Window().Pumps() != 2) return;
    app_.Type("Edit_Prefix", "P_");
    app_.Type("Edit_Suffix", "-x");
    app_.Type("Edit_RenameDest", other);
    app_.Type("Edit_RenameStep", "10");
    app_.Type("Edit_FirstNumber", "500");
  };

  Run();

  // The step read after the first file is still 1; the first number is read only at the start.
  EXPECT_EQ(FolderFiles(out_), (Files{{"Img_0001.jpg", "a.jpg"}}));
  EXPECT_EQ(FolderFiles(other), (Files{{"P_0002-x.jpg", "b.jpg"}, {"P_0012-x.jpg", "c.jpg"}}));
}

TEST_F(RenameJob, AbortAtTheThirdFileKeepsTheCopiesMadeSoFar) {
  List({"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
  bool abort_enabled = false;
  app_.Window().pump_hook = [&] {
    if (app_.Window().Pumps() == 3) abort_enabled = app_.Click(kAbort);
  };

  Run();

  EXPECT_TRUE(abort_enabled);
  EXPECT_EQ(FolderFiles(out_), (Files{{"Img_0001.jpg", "a.jpg"}, {"Img_0002.jpg", "b.jpg"}}));
  EXPECT_EQ(app_.Status(), "中断されました。");
  EXPECT_FALSE(SawComplete());
  ExpectIdle();
}

TEST_F(RenameJob, ClosingTheWindowEndsTheRunAfterTheCurrentFile) {
  List({"a.jpg", "b.jpg", "c.jpg"});
  app_.Window().pump_hook = [&] {
    if (app_.Window().Pumps() == 2) app_.Close();
  };

  Run();

  EXPECT_EQ(FolderFiles(out_), (Files{{"Img_0001.jpg", "a.jpg"}}));
  EXPECT_EQ(app_.Status(), "中断されました。");
  ExpectIdle();
}

TEST_F(RenameJob, SecondClickWhileRunningIsIgnored) {
  List({"a.jpg", "b.jpg"});
  app_.Window().pump_hook = [&] { app_.Click(kExecute); };

  Run();

  EXPECT_EQ(app_.Window().Pumps(), 2);
  EXPECT_EQ(FolderFiles(out_), (Files{{"Img_0001.jpg", "a.jpg"}, {"Img_0002.jpg", "b.jpg"}}));
  ExpectIdle();
}

TEST_F(RenameJob, FailingChecksDoNothingAtAll) {
  struct Case {
    const char* name;
    std::string source;
    bool with_lines;
  };
  const Case cases[] = {{"empty source text", "", true},
                        {"source is a file", dir_.Write("src/plain.jpg"), true},
                        {"source does not exist", dir_.File("missing"), true},
                        {"empty list", dir_.Str(), false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    app_.SetLines("Editor3", c.with_lines ? std::vector<std::string>{dir_.Write("src/a.jpg")}
                                          : std::vector<std::string>{});
    app_.Type("Edit_RenameSource", c.source);
    app_.Window().SetStatusText("before");

    Run();

    EXPECT_EQ(app_.Status(), "before");
    EXPECT_EQ(app_.Window().Pumps(), 0);
    EXPECT_TRUE(FolderFiles(out_).empty());
    EXPECT_TRUE(app_.Boxes().empty());
    ExpectIdle();
  }
}

TEST_F(RenameJob, ListedPathsNeedNotLieInTheSourceFolder) {
  const std::string elsewhere = dir_.Write("elsewhere/x.tif", "x");
  app_.SetLines("Editor3", {elsewhere});

  Run();

  EXPECT_EQ(FolderFiles(out_), (Files{{"Img_0001.tif", "x"}}));
}

TEST_F(RenameJob, TargetEqualToItsSourceKeepsItsContent) {
  const std::string same = dir_.Write("src/Img_0001.jpg", std::string(100000, 'q'));
  app_.SetLines("Editor3", {same});
  app_.Type("Edit_RenameDest", dir_.File("src") + "/");

  Run();

  EXPECT_EQ(FolderFiles(dir_.File("src")), (Files{{"Img_0001.jpg", std::string(100000, 'q')}}));
  EXPECT_EQ(app_.Status(), "Complete!");
}

TEST_F(RenameJob, OutputFolderTextIsUsedExactlyAsTyped) {
  List({"a.jpg"});
  app_.Type("Edit_RenameDest", dir_.File("out"));

  Run();

  EXPECT_EQ(testing::ReadFile(dir_.File("outImg_0001.jpg")), "a.jpg");
  EXPECT_TRUE(FolderFiles(out_).empty());
}

TEST_F(RenameJob, EmptyOutputFolderWritesIntoTheCurrentFolder) {
  List({"a.jpg"});
  app_.Type("Edit_RenameDest", "");
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(out_);

  Run();

  std::filesystem::current_path(previous);
  EXPECT_EQ(FolderFiles(out_), (Files{{"Img_0001.jpg", "a.jpg"}}));
}

TEST_F(RenameJob, UnreadableSourcesEndTheRunWithTheOpenError) {
  struct Case {
    const char* name;
    std::string line;
    std::string shown_path;
    int error;
  };
  const Case cases[] = {
      {"missing file", dir_.File("src/gone.jpg"), dir_.File("src/gone.jpg"), ENOENT},
      {"folder", dir_.Mkdir("src/folder.jpg"), dir_.File("src/folder.jpg"), EISDIR},
      {"empty line", "", "", ENOENT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(out_);
    std::filesystem::create_directory(out_);
    app_.ClearBoxes();
    const std::string first = dir_.Write("src/a.jpg", "a");
    app_.SetLines("Editor3", {first, c.line, dir_.Write("src/c.jpg", "c")});

    Run();

    ASSERT_EQ(app_.Boxes().size(), 1u);
    EXPECT_EQ(app_.Boxes()[0].icon, miError);
    EXPECT_EQ(app_.Boxes()[0].caption, "Quillomark");
    EXPECT_EQ(app_.Boxes()[0].text, OpenError(c.shown_path, c.error));
    EXPECT_EQ(FolderFiles(out_), (Files{{"Img_0001.jpg", "a"}}));
    EXPECT_EQ(app_.Status(), "処理中 " + first);
    EXPECT_FALSE(SawComplete());
    ExpectIdle();
  }
}

TEST_F(RenameJob, UncreatableTargetEndsTheRunWithTheCreateError) {
  List({"a.jpg", "b.jpg"});
  const std::string missing_folder = dir_.File("no/such/folder") + "/";
  app_.Type("Edit_RenameDest", missing_folder);

  Run();

  ASSERT_EQ(app_.Boxes().size(), 1u);
  EXPECT_EQ(app_.Boxes()[0].text,
            ErrorBoxText(Format(kFileCreateErrorPattern,
                                {missing_folder + "Img_0001.jpg", std::strerror(ENOENT)})));
  EXPECT_FALSE(SawComplete());
  EXPECT_FALSE(std::filesystem::exists(dir_.File("no")));
  ExpectIdle();
}

// Limits the size of files this process may write, so that a copy fails half-way like on a full
// disk; the signal the limit raises is ignored so that the write reports the failure instead.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    previous_handler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    ::signal(SIGXFSZ, previous_handler_);
  }

 private:
  rlimit previous_{};
  sighandler_t previous_handler_;
};

TEST_F(RenameJob, CopyFailingHalfWayLeavesTheExistingTargetAsItWas) {
  const std::string big = dir_.Write("src/big.jpg", std::string(64 * 1024, 'n'));
  const std::string existing = dir_.Write("out/Img_0001.jpg", "old photo");
  app_.SetLines("Editor3", {big});

  {
    const FileSizeLimit limit(4096);
    Run();
  }

  ASSERT_EQ(app_.Boxes().size(), 1u);
  EXPECT_EQ(app_.Boxes()[0].text, ErrorBoxText(kWriteErrorMessage));
  EXPECT_EQ(FolderFiles(out_), (Files{{"Img_0001.jpg", "old photo"}}));
  EXPECT_FALSE(SawComplete());
  ExpectIdle();
}

TEST_F(RenameJob, ListShortenedDuringTheRunEndsItWithTheListError) {
  List({"a.jpg", "b.jpg", "c.jpg"});
  app_.Window().pump_hook = [&] {
    if (app_.Window().Pumps() == 2) app_.SetLines("Editor3", {app_.Lines("Editor3")[0]});
  };

  Run();

  ASSERT_EQ(app_.Boxes().size(), 1u);
  EXPECT_EQ(app_.Boxes()[0].text, ErrorBoxText(kListIndexErrorMessage));
  EXPECT_EQ(FolderFiles(out_), (Files{{"Img_0001.jpg", "a.jpg"}}));
  ExpectIdle();
}

}  // namespace
}  // namespace quillo
