#include "jobs/enfuse_script.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "jobs/shell_words.h"
#include "platform/errors.h"
#include "support/program_output.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

// An enfuse that only records its argument vector, NUL after each argument, one run a line.
std::string StandInEnfuse(const testing::TempDir& dir) {
  const std::string bin = dir.Mkdir("bin");
  const std::string record = dir.File("argv");
  const std::string program =
      dir.Write("bin/enfuse", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done >> " +
                                  ShellQuote(record) + "\necho >> " + ShellQuote(record) + "\n");
  ::chmod(program.c_str(), 0755);
  return bin;
}

std::vector<std::vector<std::string>> RecordedRuns(const std::string& path) {
  std::vector<std::vector<std::string>> runs(1);
  const std::string bytes = testing::ReadFile(path);
  std::string word;
  for (const char c : bytes) {
    if (c == '\0') {
      runs.back().push_back(word);
      word.clear();
    } else if (c == '\n' && word.empty()) {
      runs.emplace_back();
    } else {
      word += c;
    }
  }
  runs.pop_back();
  return runs;
}

TEST(EnfuseScript, ShRunsItFromAnyFolderAndEveryNameArrivesUnchanged) {
  testing::TempDir dir;
  const std::string folder = dir.Mkdir("shots dir");
  const std::string bin = StandInEnfuse(dir);
  const std::vector<TEnfuseBracket> brackets = {
      {{folder + "/a b.jpg", folder + "/it's.jpg", folder + "/say \"hi\".jpg"}, 0},
      {{folder + "/$HOME.jpg", folder + "/`id`.jpg", folder + "/*.jpg"}, 0},
      {{folder + "/日本語 ü.jpg", folder + "/sub/dir x/c.JPG", "/elsewhere/d\\e.jpg"}, 0},
  };
  const std::string script = folder + "/makeenfuse.sh";
  WriteEnfuseScript(script, EnfuseScriptText(folder, brackets, "--exposure-weight=1 -o"));

  const std::vector<std::vector<std::string>> expected = {
      {"--exposure-weight=1", "-o", "enfused/a b-it's-say \"hi\".jpg", "a b.jpg", "it's.jpg",
       "say \"hi\".jpg"},
      {"--exposure-weight=1", "-o", "enfused/$HOME-`id`-*.jpg", "$HOME.jpg", "`id`.jpg", "*.jpg"},
      {"--exposure-weight=1", "-o", "enfused/日本語 ü-c-d\\e.jpg", "日本語 ü.jpg",
       "sub/dir x/c.JPG", "/elsewhere/d\\e.jpg"},
  };
  const testing::ScopedEnvironment path("PATH", bin + ":/usr/bin:/bin");
  struct Run {
    const char* name;
    std::vector<std::string> args;
  };
  // By sh from another folder, and by its own run bits and first line.
  const Run runs[] = {{"Sh", {"sh", script}}, {"RunBits", {script}}};
  for (const Run& run : runs) {
    SCOPED_TRACE(run.name);
    std::filesystem::remove_all(folder + "/enfused");
    std::filesystem::remove(dir.File("argv"));
    EXPECT_EQ(testing::RunProgram(run.args).status, 0);
    EXPECT_EQ(RecordedRuns(dir.File("argv")), expected);
    EXPECT_TRUE(std::filesystem::is_directory(folder + "/enfused"));
  }
}

TEST(EnfuseScript, PosixScriptWithLfLinesAndRunBits) {
  testing::TempDir dir;
  const std::string script = dir.File("makeenfuse.sh");
  WriteEnfuseScript(
      script, EnfuseScriptText(dir.Str(), {{{dir.File("a.jpg"), dir.File("b.jpg")}, 0}}, "-o"));
  const std::string text = testing::ReadFile(script);
  EXPECT_EQ(text.rfind("#!/bin/sh\n", 0), 0u);
  EXPECT_NE(text.find("\nset -e\n"), std::string::npos);
  EXPECT_NE(text.find("\nmkdir -p enfused\n"), std::string::npos);
  EXPECT_NE(text.find("\nenfuse -o 'enfused/a-b.jpg' 'a.jpg' 'b.jpg'\n"), std::string::npos);
  EXPECT_EQ(text.find('\r'), std::string::npos);
  EXPECT_EQ(text.back(), '\n');
  struct stat st {};
  ASSERT_EQ(::stat(script.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0111, (st.st_mode & 0444) >> 2);
  EXPECT_NE(st.st_mode & 0100, 0u);
}

TEST(EnfuseScript, UnwritableTargetIsTheCreateErrorAndLeavesNothing) {
  testing::TempDir dir;
  EXPECT_THROW(WriteEnfuseScript(dir.File("missing/makeenfuse.sh"), "x"), EFCreateError);
  EXPECT_THROW(WriteEnfuseScript(dir.Str(), "x"), EFCreateError);
  EXPECT_EQ(testing::FileNames(dir.Str()), "");
}

}  // namespace
}  // namespace quillo
