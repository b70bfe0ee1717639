#include "jobs/file_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/main_form.h"
#include "platform/errors.h"
#include "platform/file_stream.h"
#include "support/open_files.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_window.h"

namespace quillo {
namespace {

using testing::FileNames;
using testing::OpenFilesUnder;
using testing::TempDir;

constexpr int kFiles = 6;
constexpr int kNone = -1;

std::string Name(int index) { return "f" + std::to_string(index) + ".jpg"; }
std::string Number(int index) { return std::to_string(index); }

// The names of the first count files, as FileNames lists them.
std::string NamesBefore(int count, std::string (*name)(int) = Name) {
  std::string names;
  for (int i = 0; i < count; ++i) names += (i > 0 ? " " : "") + name(i);
  return names;
}

struct StandIn {
  const char* name;
  int slow = kNone;      // this file's work takes a while
  int failing = kNone;   // this file's work fails
  int abort_at = kNone;  // the abort button is clicked at this file's pump
};

class StandInRun : public ::testing::TestWithParam<std::tuple<StandIn, int>> {};

// The rotate job with a stand-in for the per-file work, at several widths: what it commits, in
// which order, and the status texts, are those of a one-at-a-time run.
TEST_P(StandInRun, CommitsInListOrderAndStopsExactlyWhereAOneAtATimeRunStops) {
  const auto& [c, width] = GetParam();
  TempDir dir;
  HeadlessApp app("/opt/quillomark/Quillomark.exe");
  app.Form().parallel_files = width;
  app.Type("Edit_RotateSource", dir.Mkdir("src") + "/");
  const std::string out = dir.Mkdir("out") + "/";
  app.Type("Edit_RotateDest", out);
  std::vector<std::string> lines;
  for (int i = 0; i < kFiles; ++i) lines.push_back(dir.Write("src/" + Name(i), "source"));
  app.SetLines("Editor1", lines);
  app.Form().rotate_file_hook = [&](const std::string& source, const std::string& target) {
    const int index = source[source.size() - 5] - '0';
    if (index == c.slow) std::this_thread::sleep_for(std::chrono::milliseconds(150));
    if (index == c.failing) throw EInvalidGraphic("stand-in failure " + source);
    WriteWholeFile(target, "turned " + source);
  };
  // At each file's announcement exactly the files before it are in place.
  std::vector<std::string> seen_at_status;
  app.Window().status_hook = [&](const std::string& text) {
    if (text.rfind("処理中 ", 0) == 0) seen_at_status.push_back(FileNames(out));
  };
  app.Window().pump_hook = [&] {
    if (c.abort_at != kNone && app.Status() == "処理中 " + lines[c.abort_at])
      app.Click("SpeedButton_TurnProcess");
  };

  ASSERT_TRUE(app.Click("SpeedButton_RotateExecute"));

  const int stop = c.failing != kNone ? c.failing : c.abort_at != kNone ? c.abort_at : kFiles;
  std::vector<std::string> statuses;
  for (int i = 0; i < std::min(stop + 1, kFiles); ++i) statuses.push_back("処理中 " + lines[i]);
  if (c.failing == kNone)
    statuses.push_back(c.abort_at != kNone ? "中断されました。" : "Complete!");
  EXPECT_EQ(app.Window().StatusHistory(), statuses);
  ASSERT_EQ(seen_at_status.size(), static_cast<size_t>(std::min(stop + 1, kFiles)));
  for (size_t i = 0; i < seen_at_status.size(); ++i)
    EXPECT_EQ(seen_at_status[i], NamesBefore(static_cast<int>(i))) << "at " << lines[i];
  EXPECT_EQ(FileNames(out), NamesBefore(stop));
  for (int i = 0; i < stop; ++i) EXPECT_EQ(testing::ReadFile(out + Name(i)), "turned " + lines[i]);
  if (c.failing != kNone) {
    ASSERT_EQ(app.Boxes().size(), 1u);
    EXPECT_EQ(app.Boxes()[0].text, ErrorBoxText("stand-in failure " + lines[c.failing]));
  } else {
    EXPECT_TRUE(app.Boxes().empty());
  }
  EXPECT_EQ(OpenFilesUnder(dir.Str()), 0);
  EXPECT_FALSE(app.Form().rotate_running);
}

const StandIn kStandIns[] = {
    {"SlowFileHoldsBackTheLaterCommits", 1},     {"ErrorAfterASlowFile", 1, 3},
    {"ErrorAtTheFirstFile", kNone, 0},           {"ErrorAtTheLastFile", 2, 5},
    {"AbortWhileALaterFileIsSlow", 4, kNone, 3}, {"AbortAtTheFirstFile", kNone, kNone, 0},
    {"AbortAtTheLastFile", kNone, kNone, 5},
};

INSTANTIATE_TEST_SUITE_P(Cases, StandInRun,
                         ::testing::Combine(::testing::ValuesIn(kStandIns),
                                            ::testing::Values(1, 2, 4)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) + "At" +
                                  std::to_string(std::get<1>(info.param));
                         });

// Steps over a list of stand-in files whose work records how much is in work at once.
class Recorder {
 public:
  explicit Recorder(std::vector<uint64_t> memory) : memory_(std::move(memory)) {}

  ListedFileSteps Steps(uint64_t budget) {
    return {.count = static_cast<int>(memory_.size()),
            .source = [](int line) { return std::optional(std::to_string(line)); },
            .memory = [this](const std::string& source) { return memory_[std::stoul(source)]; },
            .hand_out = [this, budget](const std::string& source) -> PrepareFile {
              return [this, budget, m = memory_[std::stoul(source)]] { Work(m, budget); };
            },
            .announce = [this](const std::string& source) { announced.push_back(source); },
            .aborted = [] { return false; },
            .pump = [] {}};
  }

  std::vector<std::string> announced;
  int most_together = 0;
  int over_budget = 0;  // moments with more in work than the budget holds, beside other work

 private:
  void Work(uint64_t memory, uint64_t budget) {
    {
      const std::lock_guard lock(mutex_);
      ++together_;
      in_work_ += memory;
      most_together = std::max(most_together, together_);
      if (in_work_ > budget && together_ > 1) ++over_budget;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::lock_guard lock(mutex_);
    --together_;
    in_work_ -= memory;
  }

  std::vector<uint64_t> memory_;
  std::mutex mutex_;
  int together_ = 0;
  uint64_t in_work_ = 0;
};

TEST(ListedFiles, WorkInProgressStaysWithinTheMemoryBudgetAndALargeFileRunsAlone) {
  struct Case {
    const char* name;
    std::vector<uint64_t> memory;
    uint64_t budget;
    int most_together;  // at most
  };
  const Case cases[] = {
      {"AmpleBudget", std::vector<uint64_t>(8, 10), 1000, 4},
      {"TwoFit", std::vector<uint64_t>(8, 40), 100, 2},
      {"OneFits", std::vector<uint64_t>(6, 60), 100, 1},
      {"LargerThanTheBudgetAlone", {10, 10, 500, 10, 10, 10}, 100, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Recorder recorder(c.memory);
    EXPECT_TRUE(RunListedFiles(recorder.Steps(c.budget), {.files = 4, .memory_budget = c.budget}));
    EXPECT_EQ(recorder.announced.size(), c.memory.size());
    EXPECT_TRUE(std::is_sorted(recorder.announced.begin(), recorder.announced.end()));
    EXPECT_LE(recorder.most_together, c.most_together);
    EXPECT_EQ(recorder.over_budget, 0);
  }
}

TEST(ListedFiles, ErrorsRaisedWhileReadingALineOrHandingItOutEndTheRunAtThatFile) {
  struct Case {
    const char* name;
    int unreadable = kNone;  // reading this line throws: the file is never announced
    int refused = kNone;     // handing this file out throws, after its announcement
    int failing = kNone;     // this file's work throws
    std::vector<std::string> announced;
    int committed;  // files in place after the run
  };
  const Case cases[] = {
      {"UnreadableLine", 2, kNone, kNone, {"0", "1"}, 2},
      {"HandOutRefused", kNone, 2, kNone, {"0", "1", "2"}, 2},
      {"WorkFails", kNone, kNone, 2, {"0", "1", "2"}, 2},
      {"UnreadableLineAfterAFailingFile", 3, kNone, 1, {"0", "1"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    std::vector<std::string> announced;
    const ListedFileSteps steps = {
        .count = 5,
        .source =
            [&](int line) {
              if (line == c.unreadable) throw std::runtime_error("line");
              return std::optional(std::to_string(line));
            },
        .memory = [](const std::string&) { return uint64_t{0}; },
        .hand_out = [&](const std::string& source) -> PrepareFile {
          if (std::stoi(source) == c.refused) throw std::runtime_error("hand-out");
          return [&, source] {
            if (std::stoi(source) == c.failing) throw std::runtime_error("work");
            WriteWholeFile(dir.File(source), source);
          };
        },
        .announce = [&](const std::string& source) { announced.push_back(source); },
        .aborted = [] { return false; },
        .pump = [] {}};
    EXPECT_THROW(RunListedFiles(steps, {.files = 4}), std::runtime_error);
    EXPECT_EQ(announced, c.announced);
    EXPECT_EQ(FileNames(dir.Str()), NamesBefore(c.committed, Number));
    EXPECT_EQ(OpenFilesUnder(dir.Str()), 0);
  }
}

TEST(ListedFiles, MessagesArePumpedWhileAResultIsAwaitedAndAnAbortThereStopsAtTheNextFile) {
  TempDir dir;
  int pumps = 0;
  bool aborted = false;
  std::vector<std::string> announced;
  const ListedFileSteps steps = {
      .count = 3,
      .source = [](int line) { return std::optional(std::to_string(line)); },
      .memory = [](const std::string&) { return uint64_t{0}; },
      .hand_out = [&](const std::string& source) -> PrepareFile {
        return [&, source] {
          if (source == "0") std::this_thread::sleep_for(std::chrono::milliseconds(400));
          WriteWholeFile(dir.File(source), source);
        };
      },
      .announce = [&](const std::string& source) { announced.push_back(source); },
      .aborted = [&] { return aborted; },
      .pump =
          [&] {
            ++pumps;
            aborted = true;
          }};

  EXPECT_FALSE(RunListedFiles(steps, {.files = 2}));

  EXPECT_GE(pumps, 1);
  EXPECT_EQ(announced, (std::vector<std::string>{"0", "1"}));
  EXPECT_EQ(FileNames(dir.Str()), "0");
  EXPECT_EQ(OpenFilesUnder(dir.Str()), 0);
}

}  // namespace
}  // namespace quillo
