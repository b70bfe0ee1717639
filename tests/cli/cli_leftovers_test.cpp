// What killed and interrupted runs leave behind: the temporary files of a killed run are removed
// by the next run in that folder, never those of a run still alive, and a signal after the last
// file finds the job complete.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_process.h"
#include "support/jpeg_test_support.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

using testing::CliProcess;
using testing::ReadFile;
using testing::RunCli;
using testing::TempDir;

constexpr char kStale[] = ".qm-stale000.tmp";
constexpr char kLive[] = ".qm-live0000.tmp";

// The hidden temporary names in the folder.
std::vector<std::string> Temporaries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(".qm-")) names.push_back(name);
  }
  return names;
}

// Holds the file locked, as the writer of a live run does.
class LockHolder {
 public:
  explicit LockHolder(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY)) {
    EXPECT_EQ(::flock(fd_, LOCK_EX | LOCK_NB), 0);
  }
  ~LockHolder() { ::close(fd_); }
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;

 private:
  int fd_;
};

TEST(CliLeftovers, EveryJobRemovesUnlockedTemporariesOfItsOutputFolderAtTheStart) {
  const struct {
    const char* command;
    bool output_is_source;
    std::vector<std::string> options;
  } cases[] = {
      {"rotate", false, {}},
      {"rename", false, {}},
      {"convert", false, {"--type", "all"}},
      {"enfuse", true, {"--bracket", "1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    TempDir dir;
    const std::string source = dir.Mkdir("in");
    dir.Write("in/a.jpg", testing::LibjpegEncode(testing::PhotoSamples(16, 16)));
    const std::string output = c.output_is_source ? source : dir.Mkdir("out");
    dir.Write("elsewhere/" + std::string(kStale), "partial");
    const std::string stale = output + "/" + kStale;
    dir.Write(stale.substr(dir.Slash().size()), "partial");
    const std::string live = output + "/" + kLive;
    dir.Write(live.substr(dir.Slash().size()), "being written");
    const LockHolder holder(live);
    std::vector<std::string> args = {c.command, "--source", source};
    if (!c.output_is_source) args.insert(args.end(), {"--dest", output});
    args.insert(args.end(), c.options.begin(), c.options.end());
    const auto result = RunCli(args);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_EQ(ReadFile(live), "being written");
    EXPECT_TRUE(std::filesystem::exists(dir.File("elsewhere/" + std::string(kStale))));
  }
}

// Makes the child's temporary files named ones, as on file systems without unnamed files.
class ScopedNamedTemporaries {
 public:
  ScopedNamedTemporaries() { ::setenv("QUILLO_NAMED_TEMPORARIES", "1", 1); }
  ~ScopedNamedTemporaries() { ::unsetenv("QUILLO_NAMED_TEMPORARIES"); }
  ScopedNamedTemporaries(const ScopedNamedTemporaries&) = delete;
  ScopedNamedTemporaries& operator=(const ScopedNamedTemporaries&) = delete;
};

TEST(CliLeftovers, KilledRunsLeaveTemporariesThatTheNextRunRemoves) {
  const ScopedNamedTemporaries named;
  TempDir dir;
  const std::string source = dir.Mkdir("in");
  std::vector<std::string> contents;
  for (int i = 0; i < 4; ++i) {
    contents.push_back(std::string(size_t{4} << 20, static_cast<char>('a' + i)));
    dir.Write("in/f" + std::to_string(i) + ".jpg", contents.back());
  }
  const std::string out = dir.Mkdir("out");
  const std::vector<std::string> args = {"rename", "--source", source, "--dest", out};
  ASSERT_EQ(RunCli(args).status, 0);

  constexpr int kKills = 20;
  int kills = 0;
  int left = 0;
  for (int attempt = 0; attempt < 2 * kKills && kills < kKills; ++attempt) {
    CliProcess cli(args);
    // Killed the moment a temporary file shows, while the copy into it is under way.
    bool seen = false;
    for (int poll = 0; poll < 200000 && !seen; ++poll) seen = !Temporaries(out).empty();
    if (!seen) continue;
    cli.Signal(SIGKILL);
    EXPECT_EQ(cli.Finish().status, 128 + SIGKILL);
    ++kills;
    left += Temporaries(out).empty() ? 0 : 1;

    const auto next = RunCli(args);
    EXPECT_EQ(next.status, 0) << next.err;
    EXPECT_TRUE(Temporaries(out).empty()) << Temporaries(out).front();
    for (int i = 0; i < 4; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "/Img_%04d.jpg", i + 1);
      EXPECT_TRUE(ReadFile(out + name) == contents[i]) << name;
    }
  }
  EXPECT_EQ(kills, kKills);
  EXPECT_GT(left, 0) << "no kill left a temporary file to clean up";
}

TEST(CliLeftovers, InterruptAfterTheLastFileFindsTheJobComplete) {
  TempDir dir;
  // The one progress line fills standard error's one page but for six bytes, so the child waits
  // to write "Complete!" after the last file, and the signal comes then.
  constexpr size_t kFileLength = 4096 - 6 - std::string_view("[1/1] \n").size();
  constexpr size_t kFolderLength = kFileLength - std::string_view("/f.jpg").size();
  std::string source = dir.Str();
  while (source.size() + 253 <= kFolderLength) source += "/" + std::string(250, 'd');
  source += "/" + std::string(kFolderLength - source.size() - 1, 'd');
  std::filesystem::create_directories(source);
  const std::string file = source + "/f.jpg";
  ASSERT_EQ(file.size(), kFileLength);
  dir.Write(file.substr(dir.Slash().size()), "photo");
  const std::string out = dir.Mkdir("out");
  CliProcess cli({"rename", "--source", source, "--dest", out, "--list", "-"}, file + "\n");
  ASSERT_TRUE(cli.WaitUntilBlockedWritingErrors());
  cli.Signal(SIGINT);
  const auto result = cli.Finish();
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.err.find("\nComplete!\n1 file done in "), std::string::npos) << result.err;
  EXPECT_EQ(ReadFile(out + "/Img_0001.jpg"), "photo");
}

}  // namespace
}  // namespace quillo
