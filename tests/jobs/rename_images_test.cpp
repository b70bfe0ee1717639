#include "jobs/rename_images.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "jobs/target_collision.h"
#include "platform/errors.h"
#include "support/child_process.h"
#include "support/file_size_limit.h"
#include "support/permission_checks.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_window.h"

namespace quillo {
namespace {

constexpr char kExecute[] = "SpeedButton_RenameExecute";
constexpr char kAbort[] = "SpeedButton_RenameProcess";

// Every file of a folder, hidden ones included, as "name=content" in name order.
std::string Listing(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    files[entry.path().filename().string()] = testing::ReadFile(entry.path().string());
  }
  std::string listing;
  for (const auto& [name, content] : files)
    listing += (listing.empty() ? "" : " ") + name + "=" + content;
  return listing;
}

class RenameJob : public ::testing::Test {
 protected:
  RenameJob() : app_("/opt/quillomark/Quillomark.exe") {
    app_.Type("Edit_RenameSource", dir_.Mkdir("src"));
    app_.Type("Edit_RenameDest", out_);
  }

  // Lists src/<name> for each name, the file holding its name without extension.
  std::vector<std::string> List(const std::vector<std::string>& names) {
    std::vector<std::string> lines;
    for (const std::string& name : names) {
      lines.push_back(dir_.Write("src/" + name, name.substr(0, name.find('.'))));
    }
    app_.SetLines("Editor3", lines);
    return lines;
  }

  void Run() { ASSERT_TRUE(app_.Click(kExecute)); }

  // Back to idle, and "Complete!" shown exactly when the run went through.
  void ExpectIdle(bool completed) {
    EXPECT_FALSE(app_.Form().rename_running);
    EXPECT_FALSE(app_.Window().SpeedButton(kAbort).Enabled());
    const auto& history = app_.Window().StatusHistory();
    EXPECT_EQ(std::count(history.begin(), history.end(), "Complete!"), completed ? 1 : 0);
  }

  testing::TempDir dir_;
  std::string out_ = dir_.Mkdir("out") + "/";
  HeadlessApp app_;
};

TEST_F(RenameJob, CopiesUnderNumberedNamesWithTheSourceExtension) {
  app_.Type("Edit_RenameSource", dir_.Mkdir("shots.v2"));
  const std::string first = dir_.Write("shots.v2/DSC01.JPG", "1");
  app_.SetLines("Editor3",
                {first, dir_.Write("shots.v2/sub/DSC02.jpeg", "2"),
                 dir_.Write("shots.v2/readme", "3"), dir_.Write("elsewhere/x.tif", "4")});
  app_.Type("Edit_Suffix", "_a");

  Run();

  EXPECT_EQ(Listing(out_), "Img_0001_a.JPG=1 Img_0002_a.jpeg=2 Img_0003_a=3 Img_0004_a.tif=4");
  EXPECT_EQ(testing::ReadFile(first), "1");
  EXPECT_EQ(app_.Window().StatusHistory(),
            (std::vector<std::string>{"処理中 " + first, "Complete!"}));
  EXPECT_TRUE(app_.Boxes().empty());
  ExpectIdle(true);
}

struct NumberingCase {
  const char* name;
  const char* first_number;
  const char* step;
  const char* expected;
};

void PrintTo(const NumberingCase& c, std::ostream* os) { *os << c.name; }

class RenameNumbering : public RenameJob, public ::testing::WithParamInterface<NumberingCase> {};

TEST_P(RenameNumbering, NamesFollowFirstNumberAndStep) {
  List({"a.jpg", "b.jpg", "c.jpg"});
  app_.Type("Edit_FirstNumber", GetParam().first_number);
  app_.Type("Edit_RenameStep", GetParam().step);

  Run();

  EXPECT_EQ(Listing(out_), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RenameNumbering,
    ::testing::Values(
        NumberingCase{"FullWidthStep", "1", "１", "Img_0001.jpg=a Img_0002.jpg=b Img_0003.jpg=c"},
        NumberingCase{"Letters", "abc", "abc", "Img_0001.jpg=a Img_0002.jpg=b Img_0003.jpg=c"},
        NumberingCase{"TrailingBlank", "2 ", "1 ", "Img_0001.jpg=a Img_0002.jpg=b Img_0003.jpg=c"},
        NumberingCase{"Hexadecimal", "0x10", "$10", "Img_0016.jpg=a Img_0032.jpg=b Img_0048.jpg=c"},
        NumberingCase{"StepZeroLastWins", "7", "0", "Img_0007.jpg=c"},
        NumberingCase{"Negative", "-1", "1", "Img_-0001.jpg=a Img_0000.jpg=b Img_0001.jpg=c"},
        NumberingCase{"NegativeStep", "  2", "-2", "Img_-0002.jpg=c Img_0000.jpg=b Img_0002.jpg=a"},
        NumberingCase{"FiveDigits", "9999", "90001",
                      "Img_100000.jpg=b Img_190001.jpg=c Img_9999.jpg=a"},
        NumberingCase{"Wraps", "2147483646", "1",
                      "Img_-2147483648.jpg=c Img_2147483646.jpg=a Img_2147483647.jpg=b"}),
    [](const ::testing::TestParamInfo<NumberingCase>& info) { return info.param.name; });

TEST_F(RenameJob, StatusEveryTenthFileAndAPumpForEveryFile) {
  std::vector<std::string> names;
  for (int i = 0; i < 25; ++i) names.push_back("f" + std::to_string(i) + ".jpg");
  const auto lines = List(names);

  Run();

  EXPECT_EQ(app_.Window().StatusHistory(),
            (std::vector<std::string>{"処理中 " + lines[0], "処理中 " + lines[10],
                                      "処理中 " + lines[20], "Complete!"}));
  EXPECT_EQ(app_.Window().Repaints(), 3);
  EXPECT_EQ(app_.Window().Pumps(), 25);
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
    app_.Click(kExecute);  // ignored while the run goes on
  };

  Run();

  // The step read after the first file is still 1; the first number is read only at the start.
  EXPECT_EQ(Listing(out_), "Img_0001.jpg=a");
  EXPECT_EQ(Listing(other), "P_0002-x.jpg=b P_0012-x.jpg=c");
  EXPECT_EQ(app_.Window().Pumps(), 3);
}

TEST_F(RenameJob, AbortOrCloseAtTheThirdFileKeepsTheCopiesMadeSoFar) {
  const std::function<void()> stops[] = {[&] { EXPECT_TRUE(app_.Click(kAbort)); },
                                         [&] { app_.Close(); }};
  for (const auto& stop : stops) {
    std::filesystem::remove_all(out_);
    std::filesystem::create_directory(out_);
    List({"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
    const int pumps_before = app_.Window().Pumps();
    app_.Window().pump_hook = [&] {
      if (app_.Window().Pumps() - pumps_before == 3) stop();
    };

    Run();

    EXPECT_EQ(Listing(out_), "Img_0001.jpg=a Img_0002.jpg=b");
    EXPECT_EQ(app_.Status(), "中断されました。");
    ExpectIdle(false);
  }
}

TEST_F(RenameJob, FailingChecksDoNothingAtAll) {
  const std::string cases[][2] = {{"", "a.jpg"},
                                  {dir_.Write("src/plain.jpg"), "a.jpg"},
                                  {dir_.File("missing"), "a.jpg"},
                                  {dir_.Str(), ""}};
  for (const auto& [source, listed] : cases) {
    SCOPED_TRACE(source);
    List(listed.empty() ? std::vector<std::string>{} : std::vector<std::string>{listed});
    app_.Type("Edit_RenameSource", source);
    app_.Window().SetStatusText("before");

    Run();

    EXPECT_EQ(app_.Status(), "before");
    EXPECT_EQ(app_.Window().Pumps(), 0);
    EXPECT_EQ(Listing(out_), "");
    EXPECT_TRUE(app_.Boxes().empty());
    ExpectIdle(false);
  }
}

TEST_F(RenameJob, OutputFolderTextGetsItsSeparatorOnlyWhereItLacksOne) {
  const std::string same = List({"Img_0001.jpg"})[0];
  // The target equal to its source: read whole before it is written, so nothing changes.
  app_.Type("Edit_RenameDest", dir_.File("src") + "/");
  Run();
  EXPECT_EQ(Listing(dir_.File("src")), "Img_0001.jpg=Img_0001");

  app_.Type("Edit_RenameDest", dir_.File("out"));
  Run();
  EXPECT_EQ(testing::ReadFile(dir_.File("out/Img_0001.jpg")), "Img_0001");
  EXPECT_FALSE(std::filesystem::exists(dir_.File("outImg_0001.jpg")));

  // An empty text leaves a bare name, taken relative to the current folder.
  app_.Type("Edit_RenameDest", "");
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(out_);
  Run();
  std::filesystem::current_path(previous);
  EXPECT_EQ(Listing(out_), "Img_0001.jpg=Img_0001");
}

TEST_F(RenameJob, FailingFileEndsTheRunWithItsError) {
  const std::string bad_folder = dir_.File("no/such") + "/";
  struct Case {
    std::string middle_line;
    std::string dest;
    bool shorten_list;
    std::string message;
  };
  const Case cases[] = {
      {dir_.File("src/gone.jpg"), out_, false,
       Format(kFileOpenErrorPattern, {dir_.File("src/gone.jpg"), std::strerror(ENOENT)})},
      {dir_.Mkdir("src/dir.jpg"), out_, false,
       Format(kFileOpenErrorPattern, {dir_.File("src/dir.jpg"), std::strerror(EISDIR)})},
      {"", out_, false, Format(kFileOpenErrorPattern, {"", std::strerror(ENOENT)})},
      {dir_.Write("src/b.jpg", "b"), out_, true, kListIndexErrorMessage},
      {dir_.Write("src/b.jpg", "b"), bad_folder, false,
       Format(kFileCreateErrorPattern, {bad_folder + "Img_0002.jpg", std::strerror(ENOENT)})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    std::filesystem::remove_all(out_);
    std::filesystem::create_directory(out_);
    app_.ClearBoxes();
    const std::string first = List({"a.jpg"})[0];
    app_.SetLines("Editor3", {first, c.middle_line, dir_.Write("src/c.jpg", "c")});
    // The second file meets its trouble; the first has been copied by then.
    const int pumps_before = app_.Window().Pumps();
    app_.Window().pump_hook = [&] {
      if (app_.Window().Pumps() - pumps_before != 2) return;
      app_.Type("Edit_RenameDest", c.dest);
      if (c.shorten_list) app_.SetLines("Editor3", {first});
    };

    Run();

    ASSERT_EQ(app_.Boxes().size(), 1u);
    EXPECT_EQ(app_.Boxes()[0].icon, miError);
    EXPECT_EQ(app_.Boxes()[0].caption, "Quillomark");
    EXPECT_EQ(app_.Boxes()[0].text, ErrorBoxText(c.message));
    EXPECT_EQ(Listing(out_), "Img_0001.jpg=a");
    EXPECT_EQ(app_.Status(), "処理中 " + first);
    ExpectIdle(false);
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.File("no")));
}

TEST_F(RenameJob, CopyFailingHalfWayLeavesTheExistingTargetAsItWas) {
  app_.SetLines("Editor3", {dir_.Write("src/big.jpg", std::string(64 * 1024, 'n'))});
  dir_.Write("out/Img_0001.jpg", "old");
  {
    const testing::FileSizeLimit limit(4096);
    Run();
  }

  ASSERT_EQ(app_.Boxes().size(), 1u);
  EXPECT_EQ(app_.Boxes()[0].text, ErrorBoxText(kWriteErrorMessage));
  EXPECT_EQ(Listing(out_), "Img_0001.jpg=old");
  ExpectIdle(false);
}

TEST_F(RenameJob, ReadOnlyTargetIsRefusedAndKept) {
  app_.SetLines("Editor3", {dir_.Write("src/a.jpg", "new")});
  const std::string target = dir_.Write("out/Img_0001.jpg", "protected");
  ::chmod(target.c_str(), 0444);
  {
    testing::ScopedPermissionChecks checks;
    Run();
  }
  ASSERT_EQ(app_.Boxes().size(), 1u);
  EXPECT_EQ(app_.Boxes()[0].text,
            ErrorBoxText(Format(kFileCreateErrorPattern, {target, std::strerror(EACCES)})));
  EXPECT_EQ(Listing(out_), "Img_0001.jpg=protected");
  ExpectIdle(false);
}

TEST_F(RenameJob, LongestTargetNamesAreCopiedAndReplaced) {
  // 247 + four digits + ".jpg": 255 bytes, the most a name may have.
  const std::string prefix(247, 'p');
  List({"a.jpg", "b.jpg"});
  app_.Type("Edit_Prefix", prefix);
  dir_.Write("out/" + prefix + "0002.jpg", "old");

  Run();

  EXPECT_EQ(Listing(out_), prefix + "0001.jpg=a " + prefix + "0002.jpg=b");
  EXPECT_TRUE(app_.Boxes().empty());
}

TEST_F(RenameJob, NamedPipeInTheListIsRefusedWithoutWaiting) {
  const std::string pipe = dir_.File("src/b.jpg");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  app_.SetLines("Editor3", {dir_.Write("src/a.jpg", "a"), pipe, dir_.Write("src/c.jpg", "c")});
  const std::string expected =
      ErrorBoxText(Format(kFileOpenErrorPattern, {pipe, std::strerror(EOPNOTSUPP)}));
  // Nobody writes to the pipe: an open that waited for a writer would never return.
  const int status = testing::RunInChild(
      [&] {
        app_.Click(kExecute);
        return app_.Boxes().size() == 1 && app_.Boxes()[0].text == expected ? 0 : 1;
      },
      std::chrono::seconds(60));
  EXPECT_EQ(status, 0) << "-1: the job waited on the pipe";
  EXPECT_EQ(Listing(out_), "Img_0001.jpg=a");
}

struct CollisionCase {
  const char* name;
  std::vector<std::string> listed;  // files of src/, each holding its name without extension
  const char* first_number;
  bool refused;          // at the first file, naming src/0003.jpg
  const char* expected;  // src/ afterwards
};

void PrintTo(const CollisionCase& c, std::ostream* os) { *os << c.name; }

class RenameIntoTheSourceFolder : public RenameJob,
                                  public ::testing::WithParamInterface<CollisionCase> {};

TEST_P(RenameIntoTheSourceFolder, TargetNamingALaterSourceStopsBeforeItIsOverwritten) {
  List(GetParam().listed);
  app_.Type("Edit_RenameDest", dir_.File("src") + "/");
  app_.Type("Edit_Prefix", "");
  app_.Type("Edit_FirstNumber", GetParam().first_number);

  Run();

  if (GetParam().refused) {
    ASSERT_EQ(app_.Boxes().size(), 1u);
    EXPECT_EQ(app_.Boxes()[0].text,
              ErrorBoxText(Format(kPendingSourcePattern,
                                  {dir_.File("src/0003.jpg"), dir_.File("src/0003.jpg")})));
  } else {
    EXPECT_TRUE(app_.Boxes().empty());
  }
  EXPECT_EQ(Listing(dir_.File("src")), GetParam().expected);
  ExpectIdle(!GetParam().refused);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RenameIntoTheSourceFolder,
    ::testing::Values(
        // Copy 0003 of the first file would destroy the original 0003 before it is read.
        CollisionCase{"LaterSource",
                      {"0001.jpg", "0002.jpg", "0003.jpg", "0004.jpg"},
                      "3",
                      true,
                      "0001.jpg=0001 0002.jpg=0002 0003.jpg=0003 0004.jpg=0004"},
        CollisionCase{
            "OwnSource", {"0001.jpg", "0002.jpg"}, "1", false, "0001.jpg=0001 0002.jpg=0002"},
        // 0002 has been read by the time copy 0002 replaces it.
        CollisionCase{"EarlierSource",
                      {"0002.jpg", "0003.jpg"},
                      "1",
                      false,
                      "0001.jpg=0002 0002.jpg=0003 0003.jpg=0003"}),
    [](const ::testing::TestParamInfo<CollisionCase>& info) { return info.param.name; });

}  // namespace
}  // namespace quillo
