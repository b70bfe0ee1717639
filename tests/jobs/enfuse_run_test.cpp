#include "jobs/enfuse_run.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "jobs/shell_words.h"
#include "platform/errors.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

namespace fs = std::filesystem;

// An enfuse stand-in: records "OMP_NUM_THREADS arguments..." a line per run, then runs `body`
// with the output path in $out.
std::string StandIn(const testing::TempDir& dir, const std::string& body) {
  const std::string path =
      dir.Write("enfuse", "#!/bin/sh\necho \"$OMP_NUM_THREADS $*\" >> " +
                              ShellQuote(dir.File("runs")) + "\nout=$3\n" + body + "\n");
  ::chmod(path.c_str(), 0755);
  return path;
}

struct Events {
  std::vector<std::string> lines;
  TEnfuseRunEvents Hooks() {
    TEnfuseRunEvents events;
    events.finished = [this](size_t done, size_t total, const std::string& name) {
      lines.push_back(std::to_string(done) + "/" + std::to_string(total) + " " + name);
    };
    events.failed = [this](size_t done, size_t total, const std::string& name,
                           const std::string& why, const std::string& last_lines) {
      lines.push_back(std::to_string(done) + "/" + std::to_string(total) + " " + name + ": " + why +
                      " | " + last_lines);
    };
    events.warning = [this](const std::string& name, const std::string& why) {
      lines.push_back(name + ": " + why.substr(0, why.find(':')));
    };
    return events;
  }
};

std::vector<TEnfuseBracket> Brackets(const testing::TempDir& dir,
                                     const std::vector<std::vector<std::string>>& names) {
  std::vector<TEnfuseBracket> brackets;
  for (const std::vector<std::string>& bracket : names) {
    TEnfuseBracket& each = brackets.emplace_back();
    for (const std::string& name : bracket) each.inputs.push_back(dir.File(name));
  }
  return brackets;
}

TEST(EnfuseRun, FailingBracketFailsAloneWithItsLastLinesAndLeavesNoFile) {
  testing::TempDir dir;
  // Copies the first input to the output, or fails on an input named bad*.
  const std::string program = StandIn(dir,
                                      "case \"$*\" in *bad*) echo one; echo two; echo 'cannot "
                                      "read bad.jpg' >&2; exit 3;; esac\ncp \"$4\" \"$out\"");
  for (const char* name : {"a.jpg", "b.jpg", "bad.jpg", "c.jpg", "d.jpg"}) dir.Write(name, "x");
  TEnfuseRunSettings settings{program, {"--opt", "-o"}, dir.File("enfused"), 1, 2};
  Events events;
  const volatile std::sig_atomic_t never = 0;
  EXPECT_EQ(RunEnfuseBrackets(
                Brackets(dir, {{"a.jpg", "b.jpg"}, {"bad.jpg", "c.jpg"}, {"c.jpg", "d.jpg"}}),
                settings, events.Hooks(), never),
            erFailed);
  EXPECT_EQ(events.lines, (std::vector<std::string>{
                              "a-b.jpg: EXIF not carried over",
                              "1/3 a-b.jpg",
                              "2/3 bad-c.jpg: enfuse failed with exit status 3 | one\ntwo\ncannot "
                              "read bad.jpg\n",
                              "c-d.jpg: EXIF not carried over",
                              "3/3 c-d.jpg",
                          }));
  EXPECT_EQ(testing::FileNames(dir.File("enfused")), "a-b.jpg c-d.jpg");
  // Options, then the result's temporary name in enfused/ (hidden, same extension), then inputs.
  const std::string runs = testing::ReadFile(dir.File("runs"));
  const std::string first = runs.substr(0, runs.find('\n'));
  const std::string temporary_start = "2 --opt -o " + dir.File("enfused") + "/.";
  EXPECT_EQ(first.rfind(temporary_start, 0), 0u) << first;
  EXPECT_NE(first.find("a-b.jpg " + dir.File("a.jpg") + " " + dir.File("b.jpg")), std::string::npos)
      << first;
}

TEST(EnfuseRun, EveryWayABracketCanFail) {
  struct Case {
    const char* name;
    std::string body;
    bool executable;
    const char* why;
  };
  const Case cases[] = {
      {"ExitStatus", "exit 1", true, "enfuse failed with exit status 1"},
      {"KilledBySignal", "kill -9 $$", true, "enfuse failed with exit status 137"},
      {"SuccessWithoutResult", "exit 0", true, "enfuse ended without writing a result"},
      {"EmptyResult", ": > \"$out\"", true, "enfuse ended without writing a result"},
      {"CannotStart", "", false, "cannot start"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempDir dir;
    const std::string program = StandIn(dir, c.body);
    if (!c.executable) ::chmod(program.c_str(), 0644);
    TEnfuseRunSettings settings{program, {"-o"}, dir.File("enfused"), 2, 1};
    Events events;
    const volatile std::sig_atomic_t never = 0;
    EXPECT_EQ(
        RunEnfuseBrackets(Brackets(dir, {{"a.jpg", "b.jpg"}}), settings, events.Hooks(), never),
        erFailed);
    ASSERT_EQ(events.lines.size(), 1u);
    EXPECT_NE(events.lines[0].find(c.why), std::string::npos) << events.lines[0];
    EXPECT_EQ(testing::FileNames(dir.File("enfused")), "");
  }
}

TEST(EnfuseRun, RefusedBeforeAnythingIsWritten) {
  testing::TempDir dir;
  const std::string program = StandIn(dir, "echo x > \"$out\"");
  const volatile std::sig_atomic_t never = 0;
  Events events;
  // Two brackets of the same names from different folders would write one result.
  TEnfuseRunSettings settings{program, {"-o"}, dir.File("enfused"), 1, 1};
  EXPECT_THROW(RunEnfuseBrackets(Brackets(dir, {{"a.jpg", "b.jpg"}, {"x/a.jpg", "x/b.jpg"}}),
                                 settings, events.Hooks(), never),
               Exception);
  EXPECT_FALSE(fs::exists(dir.File("enfused")));
  // A file stands where the output folder would be made.
  dir.Write("enfused", "a file");
  EXPECT_THROW(
      RunEnfuseBrackets(Brackets(dir, {{"a.jpg", "b.jpg"}}), settings, events.Hooks(), never),
      EFCreateError);
  EXPECT_TRUE(events.lines.empty());
  EXPECT_FALSE(fs::exists(dir.File("runs")));
}

volatile std::sig_atomic_t interrupted = 0;
extern "C" void OnUsr1(int) { interrupted = 1; }

TEST(EnfuseRun, InterruptStartsNoBracketEndsTheRunningOnesAndRemovesTheirResults) {
  testing::TempDir dir;
  // Writes half a result, tells the test's process to stop, and would take half a minute.
  const std::string program = StandIn(dir, "echo half > \"$out\"\nkill -USR1 $PPID\nexec sleep 30");
  struct sigaction action {};
  action.sa_handler = OnUsr1;
  sigemptyset(&action.sa_mask);
  struct sigaction old {};
  sigaction(SIGUSR1, &action, &old);
  interrupted = 0;
  TEnfuseRunSettings settings{program, {"-o"}, dir.File("enfused"), 2, 1};
  Events events;
  const auto start = std::chrono::steady_clock::now();
  const TEnfuseRunResult result =
      RunEnfuseBrackets(Brackets(dir, {{"a.jpg", "b.jpg"}, {"c.jpg", "d.jpg"}, {"e.jpg", "f.jpg"}}),
                        settings, events.Hooks(), interrupted);
  const auto took = std::chrono::steady_clock::now() - start;
  sigaction(SIGUSR1, &old, nullptr);
  EXPECT_EQ(result, erInterrupted);
  EXPECT_LT(took, std::chrono::seconds(10));
  EXPECT_TRUE(events.lines.empty());
  EXPECT_EQ(testing::FileNames(dir.File("enfused")), "");
  // No bracket beyond the two running ones started.
  const std::string runs = testing::ReadFile(dir.File("runs"));
  EXPECT_LE(std::count(runs.begin(), runs.end(), '\n'), 2);
}

TEST(EnfuseRun, ThreadsShareTheProcessors) {
  struct Case {
    int processors;
    int jobs;
    int threads;
  };
  const Case cases[] = {{2, 2, 1}, {2, 1, 2}, {8, 3, 2}, {1, 4, 1}, {16, 4, 4}, {4, 0, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.processors) + " processors, " + std::to_string(c.jobs));
    EXPECT_EQ(ThreadsPerJob(c.processors, c.jobs), c.threads);
    EXPECT_LE(ThreadsPerJob(c.processors, c.jobs) * std::max(c.jobs, 1),
              std::max(c.processors, std::max(c.jobs, 1)));
  }
}

}  // namespace
}  // namespace quillo
