#include "jobs/bracket_groups.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace quillo {
namespace {

// A shot as a camera records it: at second `at` on a sub-second clock, 1/`denominator` s (or
// `seconds` when given) at f/8, ISO 100, 6000 x 4000, 35 mm, camera "A".
struct Shot {
  double at = 0;
  double exposure = 0.01;
  double f_number = 8;
  double iso = 100;
  std::string camera = "A";
  double focal_length = 35;
  int64_t width = 6000;
  bool whole_seconds = false;
  bool exif = true;
};

TExifRecord Record(const Shot& shot) {
  TExifRecord record;
  record.capture_time = shot.at;
  if (!shot.exif) {
    record.time_source = ctFileTime;
    record.whole_seconds = false;
    return record;
  }
  record.has_exif = true;
  record.time_source = ctOriginal;
  record.whole_seconds = shot.whole_seconds;
  record.exposure_time = shot.exposure;
  record.f_number = shot.f_number;
  record.iso = shot.iso;
  record.camera = shot.camera;
  record.focal_length = shot.focal_length;
  record.width = shot.width;
  record.height = 4000;
  return record;
}

// Three shots 0.2 s apart at 0, -2 and +2 EV from 1/100 s, starting at `at`.
std::vector<Shot> Bracket3(double at, std::string camera = "A") {
  return {{.at = at, .exposure = 1 / 100.0, .camera = camera},
          {.at = at + 0.2, .exposure = 1 / 400.0, .camera = camera},
          {.at = at + 0.4, .exposure = 1 / 25.0, .camera = camera}};
}

std::vector<Shot> Joined(std::initializer_list<std::vector<Shot>> parts) {
  std::vector<Shot> all;
  for (const std::vector<Shot>& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// "[0 1 2] [4 5 6] | 3": the brackets' record numbers, then the singles'.
std::string Layout(const TBracketGroups& groups) {
  std::string text;
  for (const TBracket& bracket : groups.brackets) {
    text += text.empty() ? "[" : " [";
    for (size_t i = 0; i < bracket.shots.size(); ++i)
      text += (i > 0 ? " " : "") + std::to_string(bracket.shots[i].index);
    text += "]";
  }
  if (!groups.singles.empty()) text += text.empty() ? "|" : " |";
  for (const TSingleShot& single : groups.singles) text += " " + std::to_string(single.index);
  return text;
}

struct GroupCase {
  const char* name;
  std::vector<Shot> shots;
  const char* layout;
  const char* reason = "";  // in the first single's reason
  TBracketRules rules = {};
};

void PrintTo(const GroupCase& c, std::ostream* os) { *os << c.name; }

class GroupBracketsByExif : public ::testing::TestWithParam<GroupCase> {};

TEST_P(GroupBracketsByExif, FindsTheBracketsTheCameraShot) {
  std::vector<TExifRecord> records;
  for (const Shot& shot : GetParam().shots) records.push_back(Record(shot));
  const TBracketGroups groups = GroupBrackets(records, GetParam().rules);
  EXPECT_EQ(Layout(groups), GetParam().layout);
  if (*GetParam().reason != '\0') {
    ASSERT_FALSE(groups.singles.empty());
    EXPECT_NE(groups.singles.front().reason.find(GetParam().reason), std::string::npos)
        << groups.singles.front().reason;
  }
}

INSTANTIATE_TEST_SUITE_P(
    FailureModes, GroupBracketsByExif,
    ::testing::Values(
        GroupCase{"StraySingleBetweenTwoBrackets",
                  Joined({Bracket3(0), {{.at = 20}}, Bracket3(40)}), "[0 1 2] [4 5 6] | 3",
                  "alone: a pause of 19.6 s before it, a pause of 20.0 s after it"},
        GroupCase{"BracketsOfThreeFiveAndThree",
                  Joined({Bracket3(0),
                          {{.at = 30, .exposure = 1 / 100.0},
                           {.at = 30.2, .exposure = 1 / 200.0},
                           {.at = 30.4, .exposure = 1 / 50.0},
                           {.at = 30.6, .exposure = 1 / 400.0},
                           {.at = 30.8, .exposure = 1 / 25.0}},
                          Bracket3(60)}),
                  "[0 1 2] [3 4 5 6 7] [8 9 10]"},
        // 2 s, 8 s and 30 s: the shots start 2.5 s and 8.5 s apart, but each pause after an
        // exposure is 0.5 s. The next bracket starts 0.5 s after the 30 s exposure ends.
        GroupCase{"ThirtySecondLastExposureOutlastsTheGap",
                  {{.at = 0, .exposure = 2},
                   {.at = 2.5, .exposure = 8},
                   {.at = 11, .exposure = 30},
                   {.at = 41.5, .exposure = 2},
                   {.at = 44, .exposure = 8},
                   {.at = 52.5, .exposure = 30}},
                  "[0 1 2] [3 4 5]"},
        GroupCase{"BackToBackInsideTheGapRestartsTheSequence", Joined({Bracket3(0), Bracket3(0.6)}),
                  "[0 1 2] [3 4 5]"},
        // Equal capture times keep list order; the repeated exposure splits them.
        GroupCase{"WholeSecondClockWithEveryShotInOneSecond",
                  {{.at = 7, .exposure = 1 / 100.0, .whole_seconds = true},
                   {.at = 7, .exposure = 1 / 400.0, .whole_seconds = true},
                   {.at = 7, .exposure = 1 / 25.0, .whole_seconds = true},
                   {.at = 7, .exposure = 1 / 100.0, .whole_seconds = true},
                   {.at = 7, .exposure = 1 / 400.0, .whole_seconds = true},
                   {.at = 7, .exposure = 1 / 25.0, .whole_seconds = true}},
                  "[0 1 2] [3 4 5]"},
        GroupCase{"WholeSecondClockGetsASecondMore",
                  {{.at = 0, .whole_seconds = true},
                   {.at = 3, .exposure = 1 / 400.0, .whole_seconds = true}},
                  "[0 1]"},
        GroupCase{"SubSecondClockGetsNoSecondMore",
                  {{.at = 0}, {.at = 3, .exposure = 1 / 400.0}},
                  "| 0 1",
                  "alone: nothing before it, a pause of 3.0 s after it"},
        // Time, aperture and sensitivity change; nothing records a bias.
        GroupCase{"ManualBracketsWithoutExposureBias",
                  {{.at = 0, .exposure = 1 / 60.0, .f_number = 8, .iso = 100},
                   {.at = 0.5, .exposure = 1 / 60.0, .f_number = 8, .iso = 400},
                   {.at = 1, .exposure = 1 / 60.0, .f_number = 16, .iso = 100},
                   {.at = 1.5, .exposure = 1 / 1000.0, .f_number = 8, .iso = 100},
                   {.at = 3, .exposure = 1 / 60.0, .f_number = 8, .iso = 100},
                   {.at = 3.5, .exposure = 1 / 60.0, .f_number = 8, .iso = 400}},
                  "[0 1 2 3] [4 5]"},
        GroupCase{"TwoCamerasInterleaved",
                  {{.at = 0, .exposure = 1 / 100.0, .camera = "A"},
                   {.at = 0.1, .exposure = 1 / 100.0, .camera = "B"},
                   {.at = 0.3, .exposure = 1 / 400.0, .camera = "A"},
                   {.at = 0.4, .exposure = 1 / 400.0, .camera = "B"},
                   {.at = 0.6, .exposure = 1 / 25.0, .camera = "A"},
                   {.at = 0.7, .exposure = 1 / 25.0, .camera = "B"}},
                  "[0 2 4] [1 3 5]"},
        GroupCase{"FileWithoutExif",
                  Joined({Bracket3(0), {{.at = 20, .exif = false}}, Bracket3(40)}),
                  "[0 1 2] [4 5 6] | 3", "no EXIF"},
        GroupCase{"FileWithoutExifEndsTheBracketBeforeIt",
                  Joined({{Bracket3(0)[0], Bracket3(0)[1]},
                          {{.at = 0.3, .exif = false}},
                          {Bracket3(0)[2]}}),
                  "[0 1] | 2 3", "no EXIF"},
        // 1/125 at f/5.6 and 1/128 at f/5.657 are one exposure written two ways; 1/160 and
        // 1/100 are a third of a stop either side.
        GroupCase{"ThirdStopRoundingNoise",
                  {{.at = 0, .exposure = 1 / 125.0, .f_number = 5.6},
                   {.at = 0.2, .exposure = 1 / 160.0, .f_number = 5.6},
                   {.at = 0.4, .exposure = 1 / 100.0, .f_number = 5.6},
                   {.at = 0.6, .exposure = 1 / 128.0, .f_number = 5.657},
                   {.at = 0.8, .exposure = 1 / 160.0, .f_number = 5.6},
                   {.at = 1.0, .exposure = 1 / 100.0, .f_number = 5.6}},
                  "[0 1 2] [3 4 5]"},
        GroupCase{"FocalLengthChanged",
                  {{.at = 0}, {.at = 0.2, .exposure = 1 / 400.0, .focal_length = 50}},
                  "| 0 1",
                  "another focal length after it"},
        GroupCase{"PictureSizeChanged",
                  {{.at = 0}, {.at = 0.2, .exposure = 1 / 400.0, .width = 3000}},
                  "| 0 1",
                  "another picture size after it"},
        GroupCase{"FullBracket",
                  {{.at = 0, .exposure = 1 / 100.0},
                   {.at = 0.2, .exposure = 1 / 200.0},
                   {.at = 0.4, .exposure = 1 / 400.0},
                   {.at = 0.6, .exposure = 1 / 800.0},
                   {.at = 0.8, .exposure = 1 / 1600.0}},
                  "[0 1 2] [3 4]",
                  "",
                  TBracketRules{.gap_seconds = 2, .max_bracket = 3}},
        GroupCase{"SlowBracketWithTheDefaultGap",
                  {{.at = 0, .exposure = 1 / 100.0},
                   {.at = 5, .exposure = 1 / 400.0},
                   {.at = 10, .exposure = 1 / 25.0}},
                  "| 0 1 2",
                  "a pause of 5.0 s after it"},
        GroupCase{"SlowBracketWithALongerGap",
                  {{.at = 0, .exposure = 1 / 100.0},
                   {.at = 5, .exposure = 1 / 400.0},
                   {.at = 10, .exposure = 1 / 25.0}},
                  "[0 1 2]",
                  "",
                  TBracketRules{.gap_seconds = 10, .max_bracket = 9}},
        GroupCase{"CaptureTimeOrderNotListOrder",
                  {{.at = 0.4, .exposure = 1 / 25.0},
                   {.at = 0, .exposure = 1 / 100.0},
                   {.at = 0.2, .exposure = 1 / 400.0}},
                  "[1 2 0]"}),
    [](const ::testing::TestParamInfo<GroupCase>& info) { return std::string(info.param.name); });

TEST(GroupBrackets, FileWithoutCaptureOrExposureTimeIsASingleWithItsReason) {
  struct Case {
    const char* name;
    TExifRecord record;
    const char* reason;
  };
  TExifRecord unreadable;
  unreadable.error = "unknown image type";
  TExifRecord no_time = Record({});
  no_time.capture_time.reset();
  TExifRecord no_exposure = Record({});
  no_exposure.exposure_time.reset();
  const Case cases[] = {
      {"Unreadable", unreadable, "EXIF cannot be read: unknown image type"},
      {"NoCaptureTime", no_time, "no capture time"},
      {"NoExposureTime", no_exposure, "no exposure time in its EXIF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TBracketGroups groups = GroupBrackets({c.record}, {});
    ASSERT_EQ(groups.singles.size(), 1u);
    EXPECT_EQ(groups.singles[0].reason, c.reason);
  }
}

TEST(ExposureValue, FollowsTheExposureTable) {
  struct Case {
    const char* name;
    Shot shot;
    double ev;
  };
  // The familiar table: f/8 at 1/125 s is EV 13 (within the rounding of the marked values);
  // four times the sensitivity is two stops less light.
  const Case cases[] = {
      {"SunnySixteenNeighbour", {.exposure = 1 / 125.0, .f_number = 8}, 12.97},
      {"Iso400", {.exposure = 1 / 125.0, .f_number = 8, .iso = 400}, 10.97},
      {"OneSecondAtF1", {.exposure = 1, .f_number = 1}, 0},
      {"ThirtySecondsAtF4", {.exposure = 30, .f_number = 4}, -0.907},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(ExposureValue(Record(c.shot)).value(), c.ev, 0.01);
  }
  EXPECT_FALSE(ExposureValue(Record({.exif = false})));
}

TEST(GroupBrackets, ReferenceIsTheExposureNearestTheMiddle) {
  struct Case {
    const char* name;
    std::vector<double> exposures;
    size_t reference;
  };
  const Case cases[] = {
      {"NormalFirst", {1 / 100.0, 1 / 400.0, 1 / 25.0}, 0},
      {"NormalLast", {1 / 400.0, 1 / 25.0, 1 / 100.0}, 2},
      {"EvenCountTakesTheFirstOfTwo", {1 / 100.0, 1 / 200.0, 1 / 400.0, 1 / 800.0}, 1},
      {"UnevenSteps", {1 / 1000.0, 1 / 500.0, 1 / 60.0}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<TExifRecord> records;
    for (size_t i = 0; i < c.exposures.size(); ++i)
      records.push_back(Record({.at = 0.1 * static_cast<double>(i), .exposure = c.exposures[i]}));
    const TBracketGroups groups = GroupBrackets(records, {});
    ASSERT_EQ(groups.brackets.size(), 1u);
    EXPECT_EQ(groups.brackets[0].reference, c.reference);
  }
}

TEST(FixedBrackets, ConsecutiveGroupsAndTheRestLeftOver) {
  struct Case {
    const char* name;
    size_t count;
    int64_t size;
    const char* layout;
  };
  const Case cases[] = {
      {"TwoFullBrackets", 6, 3, "[0 1 2] [3 4 5]"},
      {"IncompleteLast", 5, 3, "[0 1 2] | 3 4"},
      {"SizeOne", 2, 1, "[0] [1]"},
      {"SizeZero", 2, 0, "| 0 1"},
      {"LargerThanTheList", 2, 3, "| 0 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<TExifRecord> records(c.count);
    EXPECT_EQ(Layout(FixedBrackets(records, c.size)), c.layout);
  }
}

}  // namespace
}  // namespace quillo
