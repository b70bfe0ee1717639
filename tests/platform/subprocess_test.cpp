#include "platform/subprocess.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>

#include <string>

#include "platform/errors.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

TEST(FindProgram, SearchesPathAsTheShellDoes) {
  testing::TempDir dir;
  const std::string one = dir.Mkdir("one");
  const std::string two = dir.Mkdir("two");
  dir.Write("one/tool", "#!/bin/sh\n");  // not executable
  dir.Mkdir("one/dir-tool");
  const std::string tool = dir.Write("two/tool", "#!/bin/sh\n");
  const std::string folder_tool = dir.Write("two/dir-tool", "#!/bin/sh\n");
  ::chmod(tool.c_str(), 0755);
  ::chmod(folder_tool.c_str(), 0755);
  struct Case {
    const char* name;
    std::string program;
    std::string path;
    std::optional<std::string> found;
  };
  const Case cases[] = {
      {"SkipsWhatIsNotExecutable", "tool", one + ":" + two, two + "/tool"},
      {"SkipsFolders", "dir-tool", one + ":" + two, two + "/dir-tool"},
      {"FirstMatchWins", "tool", two + ":" + one, two + "/tool"},
      {"NotOnPath", "tool", one, std::nullopt},
      {"EmptyPath", "tool", "", std::nullopt},
      {"MissingFolders", "tool", dir.File("none") + "::" + two, two + "/tool"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FindProgram(c.program, c.path), c.found);
  }
}

std::string OutputOf(TSubprocess& process) {
  while (process.OutputHandle() >= 0) {
    pollfd fd{process.OutputHandle(), POLLIN, 0};
    ::poll(&fd, 1, 1000);
    process.ReadOutput();
  }
  return process.OutputTail();
}

TEST(Subprocess, CatchesBothOutputsTheStatusAndTheEnvironment) {
  struct Case {
    const char* name;
    std::string script;
    std::string output;
    int status;
  };
  const Case cases[] = {
      {"BothStreams", "echo out; echo err >&2", "out\nerr\n", 0},
      {"ExitStatus", "exit 7", "", 7},
      {"Signal", "kill -TERM $$", "", 128 + SIGTERM},
      {"Environment", "echo $QUILLO_TEST_VALUE", "forty two\n", 0},
      {"NoInput", "cat", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TSubprocess process("/bin/sh", {"sh", "-c", c.script}, {"QUILLO_TEST_VALUE=forty two"});
    EXPECT_EQ(OutputOf(process), c.output);
    EXPECT_EQ(process.Wait(), c.status);
    EXPECT_EQ(process.Poll(), c.status);
  }
}

TEST(Subprocess, KeepsOnlyTheTailOfLongOutput) {
  TSubprocess process("/bin/sh", {"sh", "-c", "seq 1 100000"}, {});
  const std::string tail = OutputOf(process);
  EXPECT_LE(tail.size(), 4096u);
  EXPECT_EQ(tail.substr(tail.size() - 13), "99999\n100000\n");
}

TEST(Subprocess, ProgramThatCannotStartIsAnError) {
  testing::TempDir dir;
  EXPECT_THROW(TSubprocess(dir.File("missing"), {"missing"}, {}), Exception);
}

}  // namespace
}  // namespace quillo
