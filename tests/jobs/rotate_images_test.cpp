#include "jobs/rotate_images.h"

#include <gtest/gtest.h>
#include <jerror.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "image/jpeg_glue.h"
#include "image/rotation.h"
#include "jobs/listed_sources.h"
#include "platform/errors.h"
#include "platform/path.h"
#include "support/jpeg_test_support.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_window.h"

namespace quillo {
namespace {

using testing::FileNames;

using testing::LibjpegDecode;
using testing::LibjpegEncode;
using testing::PhotoSamples;
using testing::Samples;

constexpr char kExecute[] = "SpeedButton_RotateExecute";
constexpr char kAbort[] = "SpeedButton_TurnProcess";
constexpr char kDirection[] = "RadioGroup_TurnDirection";

// The samples turned by the definition of each direction item (any other item: no turn).
Samples Turned(const Samples& s, int direction) {
  if (direction < 0 || direction > 2) return s;
  Samples t = s;
  if (direction != 2) std::swap(t.width, t.height);
  for (int y = 0; y < t.height; ++y) {
    for (int x = 0; x < t.width; ++x) {
      const int sx = direction == 0 ? y : direction == 1 ? s.width - 1 - y : s.width - 1 - x;
      const int sy = direction == 0 ? s.height - 1 - x : direction == 1 ? x : s.height - 1 - y;
      std::copy_n(s.Pixel(sx, sy), 3, t.data.begin() + (static_cast<size_t>(y) * t.width + x) * 3);
    }
  }
  return t;
}

// What the library's own decoder and encoder make of a source turned in a direction: quality
// 90, progressive exactly when the source is.
std::string ExpectedTarget(const std::string& source, int direction) {
  return LibjpegEncode(Turned(LibjpegDecode(source), direction),
                       {.progressive = testing::LibjpegHeader(source).progressive});
}

class RotateJob : public ::testing::Test {
 protected:
  RotateJob() : app_("/opt/quillomark/Quillomark.exe") {
    app_.Type("Edit_RotateSource", dir_.Mkdir("src") + "/");
    app_.Type("Edit_RotateDest", out_);
    // One file at a time, where every pump and every reading of a parameter has its fixed
    // place; the tests at the end run several files at once.
    app_.Form().parallel_files = 1;
  }

  // Writes src/<name> as a JPEG of its own size and content.
  std::string Jpeg(const std::string& name, int width = 24, int height = 16,
                   bool progressive = false) {
    const auto seed = static_cast<uint32_t>(std::hash<std::string>{}(name));
    return dir_.Write("src/" + name, LibjpegEncode(PhotoSamples(width, height, seed),
                                                   {.progressive = progressive}));
  }

  void Run() { ASSERT_TRUE(app_.Click(kExecute)); }

  // Back to idle, and "Complete!" shown exactly when the run went through.
  void ExpectIdle(bool completed) {
    EXPECT_FALSE(app_.Form().rotate_running);
    EXPECT_FALSE(app_.Window().SpeedButton(kAbort).Enabled());
    const auto& history = app_.Window().StatusHistory();
    EXPECT_EQ(std::count(history.begin(), history.end(), "Complete!"), completed ? 1 : 0);
  }

  void ExpectTurned(const std::string& target, const std::string& source_bytes, int direction) {
    EXPECT_TRUE(testing::ReadFile(target) == ExpectedTarget(source_bytes, direction)) << target;
  }

  testing::TempDir dir_;
  std::string out_ = dir_.Mkdir("out") + "/";
  HeadlessApp app_;
};

class RotateDirections : public RotateJob,
                         public ::testing::WithParamInterface<std::tuple<int, bool>> {};

TEST_P(RotateDirections, EveryFileTurnedAndEncodedAgainUnderItsOwnName) {
  const auto [direction, progressive] = GetParam();
  app_.Pick(kDirection, direction);
  const std::vector<std::string> lines = {Jpeg("a.jpg", 24, 16, progressive),
                                          Jpeg("sub/B.JPEG", 9, 31, progressive)};
  const std::vector<std::string> sources = {testing::ReadFile(lines[0]),
                                            testing::ReadFile(lines[1])};
  app_.SetLines("Editor1", lines);

  Run();

  EXPECT_EQ(FileNames(out_), "B.JPEG a.jpg");
  ExpectTurned(out_ + "a.jpg", sources[0], direction);
  ExpectTurned(out_ + "B.JPEG", sources[1], direction);
  EXPECT_EQ(testing::LibjpegHeader(testing::ReadFile(out_ + "a.jpg")).progressive, progressive);
  EXPECT_EQ(app_.Window().StatusHistory(),
            (std::vector<std::string>{"処理中 " + lines[0], "処理中 " + lines[1], "Complete!"}));
  EXPECT_TRUE(app_.Window().HeadlessEditorNamed("Editor1").Focused());
  EXPECT_EQ(app_.Window().HeadlessEditorNamed("Editor1").CaretLine(), 1);
  EXPECT_EQ(app_.Window().Repaints(), 3);
  EXPECT_EQ(app_.Window().Pumps(), 2);
  EXPECT_TRUE(app_.Boxes().empty());
  ExpectIdle(true);
}

std::string DirectionCaseName(const ::testing::TestParamInfo<std::tuple<int, bool>>& info) {
  static const char* const kNames[] = {"None", "Right", "Left", "Half"};
  return std::string(kNames[std::get<0>(info.param) + 1]) +
         (std::get<1>(info.param) ? "Progressive" : "Baseline");
}

INSTANTIATE_TEST_SUITE_P(Cases, RotateDirections,
                         ::testing::Combine(::testing::Values(0, 1, 2, -1), ::testing::Bool()),
                         DirectionCaseName);

TEST_F(RotateJob, OutputFolderEqualToTheSourceFolderReplacesEachFileByItsTurn) {
  const std::string line = Jpeg("a.jpg");
  const std::string before = testing::ReadFile(line);
  app_.SetLines("Editor1", {line});
  app_.Type("Edit_RotateDest", dir_.File("src") + "/");

  Run();

  ExpectTurned(line, before, 1);
  EXPECT_EQ(FileNames(dir_.File("src")), "a.jpg");
  ExpectIdle(true);
}

TEST_F(RotateJob, MissingPathsAndFoldersArePassedOverWithoutATrace) {
  const std::string line = Jpeg("a.jpg");
  app_.SetLines("Editor1", {dir_.File("src/gone.jpg"), dir_.Mkdir("src/dir.jpg"), line, ""});

  Run();

  EXPECT_EQ(FileNames(out_), "a.jpg");
  EXPECT_EQ(app_.Window().StatusHistory(),
            (std::vector<std::string>{"処理中 " + line, "Complete!"}));
  EXPECT_EQ(app_.Window().Pumps(), 1);
  ExpectIdle(true);
}

TEST_F(RotateJob, ListOfMissingFilesCompletesAtOnceAfterTheFocusMove) {
  app_.SetLines("Editor1", {dir_.File("src/gone.jpg"), dir_.File("src/other.jpg")});

  Run();

  EXPECT_EQ(app_.Window().StatusHistory(), (std::vector<std::string>{"Complete!"}));
  EXPECT_EQ(app_.Window().HeadlessEditorNamed("Editor1").CaretLine(), 1);
  EXPECT_EQ(app_.Window().Repaints(), 1);
  EXPECT_EQ(app_.Window().Pumps(), 0);
  ExpectIdle(true);
}

TEST_F(RotateJob, SameNamesFromTwoFoldersEndAsTheLaterOne) {
  const std::string first = Jpeg("one/x.jpg", 16, 8);
  const std::string second = Jpeg("two/x.jpg", 8, 24);
  app_.SetLines("Editor1", {first, second});

  Run();

  EXPECT_EQ(FileNames(out_), "x.jpg");
  ExpectTurned(out_ + "x.jpg", testing::ReadFile(second), 1);
  ExpectIdle(true);
}

TEST_F(RotateJob, TargetThatIsAnotherListedSourceIsRefusedBeforeAnythingIsWritten) {
  const std::string top = Jpeg("x.jpg");
  const std::string nested = Jpeg("sub/x.jpg", 8, 8);
  const std::string top_before = testing::ReadFile(top);
  app_.SetLines("Editor1", {top, nested});
  app_.Type("Edit_RotateDest", dir_.File("src") + "/");

  Run();

  ASSERT_EQ(app_.Boxes().size(), 1u);
  EXPECT_EQ(app_.Boxes()[0].text,
            ErrorBoxText(Format(kTargetIsListedSourcePattern, {nested, top})));
  EXPECT_TRUE(testing::ReadFile(top) == top_before);
  EXPECT_EQ(app_.Window().Pumps(), 0);
  ExpectIdle(false);
}

TEST_F(RotateJob, InvalidOutputFolderDoesNothingAtAll) {
  app_.SetLines("Editor1", {Jpeg("a.jpg")});
  for (const std::string& dest : {std::string(), dir_.File("missing") + "/"}) {
    app_.Type("Edit_RotateDest", dest);
    app_.Window().SetStatusText("before");

    Run();

    EXPECT_EQ(app_.Status(), "before");
    EXPECT_FALSE(app_.Window().HeadlessEditorNamed("Editor1").Focused());
    EXPECT_EQ(app_.Window().Repaints(), 0);
    EXPECT_TRUE(app_.Boxes().empty());
    ExpectIdle(false);
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.File("missing")));
}

TEST_F(RotateJob, FailingFileEndsTheRunWithItsError) {
  const std::string grey =
      dir_.Write("src/grey.jpg", LibjpegEncode(PhotoSamples(8, 8), {.jpeg = JCS_GRAYSCALE}));
  const std::string junk = dir_.Write("src/junk.jpg", "not a JPEG");
  const std::string good = Jpeg("good.jpg");
  const std::string bad_folder = dir_.File("no/such") + "/";
  struct Case {
    const char* name;
    std::string middle;
    int direction;
    std::string dest;  // typed while the middle file is reached
    bool shorten_list;
    std::string message;
    std::string written = "a.jpg";
  };
  const Case cases[] = {
      {"GreyQuarterTurn", grey, 0, out_, false, kRotationFormatMessage},
      {"GreyHalfTurn", grey, 2, out_, false, kRotationFormatMessage},
      {"NoJpeg", junk, 1, out_, false, JpegErrorMessage(JERR_NO_SOI)},
      {"EmptyFile", dir_.Write("src/empty.jpg"), 1, out_, false,
       JpegErrorMessage(JERR_INPUT_EMPTY)},
      {"TargetCannotBeCreated", good, 1, bad_folder, false,
       Format(kFileCreateErrorPattern, {bad_folder + "good.jpg", std::strerror(ENOENT)})},
      // The second line was read before the list shrank: that file is still turned.
      {"ListShortened", good, 1, out_, true, kListIndexErrorMessage, "a.jpg good.jpg"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(out_);
    std::filesystem::create_directory(out_);
    app_.ClearBoxes();
    app_.Type("Edit_RotateDest", out_);
    app_.Pick(kDirection, c.direction);
    const std::string first = Jpeg("a.jpg");
    app_.SetLines("Editor1", {first, c.middle, Jpeg("c.jpg")});
    const int pumps_before = app_.Window().Pumps();
    app_.Window().pump_hook = [&] {
      if (app_.Window().Pumps() - pumps_before != 2) return;
      app_.Type("Edit_RotateDest", c.dest);
      if (c.shorten_list) app_.SetLines("Editor1", {first});
    };

    Run();

    ASSERT_EQ(app_.Boxes().size(), 1u);
    EXPECT_EQ(app_.Boxes()[0].text, ErrorBoxText(c.message));
    EXPECT_EQ(FileNames(out_), c.written);
    EXPECT_EQ(app_.Status(), "処理中 " + c.middle);
    ExpectIdle(false);
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.File("no")));
}

TEST_F(RotateJob, AbortBetweenTwoFilesKeepsTheTurnsMadeSoFar) {
  app_.SetLines("Editor1", {Jpeg("a.jpg"), Jpeg("b.jpg"), Jpeg("c.jpg")});
  app_.Window().pump_hook = [&] {
    if (app_.Window().Pumps() == 2) {
      EXPECT_TRUE(app_.Click(kAbort));
    }
  };

  Run();

  EXPECT_EQ(FileNames(out_), "a.jpg");
  EXPECT_EQ(app_.Status(), "中断されました。");
  EXPECT_TRUE(app_.Boxes().empty());
  ExpectIdle(false);
}

TEST_F(RotateJob, DirectionAndOutputFolderChangedDuringARunApplyFromTheNextFile) {
  const std::vector<std::string> lines = {Jpeg("a.jpg"), Jpeg("b.jpg")};
  const std::string other = dir_.Mkdir("other") + "/";
  app_.SetLines("Editor1", lines);
  app_.Pick(kDirection, 0);
  app_.Window().pump_hook = [&] {
    // The second file's pump: the first file is done, the second not yet read.
    if (app_.Window().Pumps() != 2) return;
    app_.Pick(kDirection, 2);
    app_.Type("Edit_RotateDest", other);
    app_.Click(kExecute);  // ignored while the run goes on
  };

  Run();

  EXPECT_EQ(FileNames(out_), "a.jpg");
  EXPECT_EQ(FileNames(other), "b.jpg");
  ExpectTurned(out_ + "a.jpg", testing::ReadFile(lines[0]), 0);
  ExpectTurned(other + "b.jpg", testing::ReadFile(lines[1]), 2);
  EXPECT_EQ(app_.Window().Pumps(), 2);
  ExpectIdle(true);
}

TEST_F(RotateJob, EveryDirectionGivesTheSameFilesAndTextsAtOneAndAtFourFilesAtOnce) {
  const std::vector<std::string> lines = {
      Jpeg("a.jpg", 24, 16),        Jpeg("b.jpg", 9, 31, true), dir_.File("src/gone.jpg"),
      Jpeg("one/x.jpg", 40, 8),     Jpeg("c.jpg", 64, 48),      Jpeg("two/x.jpg", 8, 40, true),
      Jpeg("d.jpg", 130, 70, true), Jpeg("e.jpg", 3, 5)};
  app_.SetLines("Editor1", lines);
  for (const int direction : {0, 1, 2}) {
    SCOPED_TRACE(direction);
    app_.Pick(kDirection, direction);
    std::vector<std::vector<std::string>> histories;
    for (const int width : {1, 4}) {
      const std::string out =
          dir_.Mkdir("out" + std::to_string(direction) + "-" + std::to_string(width)) + "/";
      app_.Type("Edit_RotateDest", out);
      app_.Form().parallel_files = width;
      const size_t statuses_before = app_.Window().StatusHistory().size();

      Run();

      EXPECT_EQ(FileNames(out), "a.jpg b.jpg c.jpg d.jpg e.jpg x.jpg");
      for (const std::string& line : lines) {
        if (line.find("gone") != std::string::npos || line.find("one/") != std::string::npos)
          continue;
        ExpectTurned(out + ExtractFileName(line), testing::ReadFile(line), direction);
      }
      histories.emplace_back(app_.Window().StatusHistory().begin() + statuses_before,
                             app_.Window().StatusHistory().end());
      EXPECT_TRUE(app_.Boxes().empty());
      EXPECT_EQ(app_.Status(), "Complete!");
    }
    EXPECT_EQ(histories[0], histories[1]);
  }
}

TEST_F(RotateJob, DirectionChangedAtAFilesPumpAppliesFromTheNextFileHandedOut) {
  struct Case {
    int width;
    std::vector<int> directions;  // the turn each file gets
  };
  // At one file at a time a file is handed out after its own pump; at two, after the pump of
  // the file before it.
  const Case cases[] = {{1, {0, 2, 2}}, {2, {0, 0, 2}}};
  const std::vector<std::string> lines = {Jpeg("a.jpg"), Jpeg("b.jpg", 16, 8), Jpeg("c.jpg", 8, 8)};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    app_.SetLines("Editor1", lines);
    app_.Pick(kDirection, 0);
    app_.Form().parallel_files = c.width;
    app_.Window().pump_hook = [&] {
      if (app_.Status() == "処理中 " + lines[1]) app_.Pick(kDirection, 2);
    };

    Run();

    for (size_t i = 0; i < lines.size(); ++i)
      ExpectTurned(out_ + ExtractFileName(lines[i]), testing::ReadFile(lines[i]), c.directions[i]);
    EXPECT_EQ(app_.Status(), "Complete!");
  }
}

TEST(ListedSources, TargetMayBeItsOwnSourceButNoOtherListedFile) {
  testing::TempDir dir;
  const std::string a = dir.Write("a.jpg", "a");
  const std::string b = dir.Write("sub/b.jpg", "b");
  const std::string unlisted = dir.Write("c.jpg", "c");
  const std::string link = dir.File("link.jpg");
  ASSERT_EQ(::link(a.c_str(), link.c_str()), 0);
  HeadlessEditor list;
  list.SetLines({a, b, dir.File("gone.jpg"), dir.Str()});
  const ListedSources sources(list);
  struct Case {
    std::string source;
    std::string target;
    bool refused;
  };
  const Case cases[] = {
      {a, a, false},
      {a, dir.File("sub/../a.jpg"), false},
      {a, link, false},
      {b, dir.File("new.jpg"), false},
      {b, unlisted, false},
      {b, dir.Str(), false},
      {b, dir.File("./a.jpg"), true},
      {b, link, true},
      {unlisted, b, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source + " -> " + c.target);
    if (!c.refused) {
      EXPECT_NO_THROW(sources.CheckTarget(c.source, c.target));
      continue;
    }
    try {
      sources.CheckTarget(c.source, c.target);
      ADD_FAILURE() << "not refused";
    } catch (const EFCreateError& e) {
      EXPECT_NE(e.Message().find(c.source), std::string::npos) << e.Message();
    }
  }
}

}  // namespace
}  // namespace quillo
