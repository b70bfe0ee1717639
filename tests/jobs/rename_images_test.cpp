#include "jobs/rename_images.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "platform/errors.h"
#include "support/file_size_limit.h"
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

TEST_F(RenameJob, OutputFolderTextIsUsedExactlyAsTyped) {
  const std::string same = List({"Img_0001.jpg"})[0];
  // The target equal to its source: read whole before it is written, so nothing changes.
  app_.Type("Edit_RenameDest", dir_.File("src") + "/");
  Run();
  EXPECT_EQ(Listing(dir_.File("src")), "Img_0001.jpg=Img_0001");

  app_.Type("Edit_RenameDest", dir_.File("out"));
  Run();
  EXPECT_EQ(testing::ReadFile(dir_.File("outImg_0001.jpg")), "Img_0001");

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

}  // namespace
}  // namespace quillo
