#include "platform/temp_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/file_stream.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

using testing::FileNames;
using testing::ReadFile;
using testing::TempDir;

// Makes every temporary file a named one for the guard's lifetime.
class ScopedNamedTemporaries {
 public:
  ScopedNamedTemporaries() { ::setenv(kNamedTemporariesVariable, "1", 1); }
  ~ScopedNamedTemporaries() { ::unsetenv(kNamedTemporariesVariable); }
  ScopedNamedTemporaries(const ScopedNamedTemporaries&) = delete;
  ScopedNamedTemporaries& operator=(const ScopedNamedTemporaries&) = delete;
};

// An open descriptor that holds the file locked as a live writer does, on its own open file.
class LockHolder {
 public:
  explicit LockHolder(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY)) {
    EXPECT_EQ(::flock(fd_, LOCK_EX | LOCK_NB), 0) << path;
  }
  ~LockHolder() { ::close(fd_); }
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;

 private:
  int fd_;
};

// Whether some other open file holds the file locked.
bool HeldLocked(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
  ::close(fd);
  return held;
}

TEST(TemporaryName, OnlyOurOwnFormCounts) {
  const struct {
    const char* name;
    bool ours;
  } cases[] = {
      {".qm-a1b2c3d4.tmp", true},  {".qm-a1b2c3d4", false},    {"qm-a1b2c3d4.tmp", false},
      {".qm-A1B2C3D4.tmp", false}, {".qm-a1b2c3d.tmp", false}, {".qm-a1b2c3d4e.tmp", false},
      {".qm-a1b2-3d4.tmp", false}, {"photo.jpg", false},       {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsTemporaryName(c.name), c.ours) << c.name;
  TempDir dir;
  const std::string made = TemporaryName(dir.Str());
  EXPECT_TRUE(made.starts_with(dir.Slash()));
  EXPECT_TRUE(IsTemporaryName(made.substr(dir.Slash().size()))) << made;
  EXPECT_NE(TemporaryName(dir.Str()), made);
}

TEST(RemoveStaleTemporaries, RemovesOnlyOurUnlockedFiles) {
  TempDir dir;
  const struct {
    const char* name;
    bool locked;
    bool kept;
  } cases[] = {
      {".qm-stale000.tmp", false, false}, {".qm-live0000.tmp", true, true},
      {".qm-short.tmp", false, true},     {"photo.jpg", false, true},
      {".hidden", false, true},
  };
  std::vector<std::unique_ptr<LockHolder>> holders;
  for (const auto& c : cases) {
    const std::string path = dir.Write(c.name, "partial");
    if (c.locked) holders.push_back(std::make_unique<LockHolder>(path));
  }
  // A folder of our name form is no file of ours.
  dir.Mkdir(".qm-folder00.tmp");
  RemoveStaleTemporaries(dir.Str());
  for (const auto& c : cases) {
    EXPECT_EQ(std::filesystem::exists(dir.File(c.name)), c.kept) << c.name;
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir.File(".qm-folder00.tmp")));
  // A folder that cannot be read, or none at all, is no failure.
  RemoveStaleTemporaries(dir.File("gone"));
  RemoveStaleTemporaries("");
}

TEST(FileStream, NamedTemporaryIsLockedWhileItsWriterLivesAndSurvivesACleanUp) {
  const ScopedNamedTemporaries named;
  for (const bool existing : {false, true}) {
    SCOPED_TRACE(existing ? "replacing" : "new");
    TempDir dir;
    const std::string target = dir.File("photo.jpg");
    if (existing) dir.Write("photo.jpg", "old");
    {
      TFileStream file(target, fmCreate);
      file.WriteBuffer("new", 3);
      const std::string names = FileNames(dir.Str());
      const std::string temporary = names.substr(0, names.find(' '));
      ASSERT_TRUE(IsTemporaryName(temporary)) << names;
      EXPECT_TRUE(HeldLocked(dir.File(temporary)));
      // A second run starting beside this one leaves the live file alone.
      RemoveStaleTemporaries(dir.Str());
      EXPECT_TRUE(std::filesystem::exists(dir.File(temporary)));
      file.Commit();
    }
    EXPECT_EQ(FileNames(dir.Str()), "photo.jpg");
    EXPECT_EQ(ReadFile(target), "new");
  }
}

TEST(FileStream, NamedTemporaryOfAFailedWriterIsRemoved) {
  const ScopedNamedTemporaries named;
  TempDir dir;
  const std::string target = dir.Write("photo.jpg", "precious");
  try {
    TFileStream file(target, fmCreate);
    file.WriteBuffer("half", 4);
    throw EWriteError(kWriteErrorMessage);
  } catch (const EWriteError&) {
  }
  EXPECT_EQ(FileNames(dir.Str()), "photo.jpg");
  EXPECT_EQ(ReadFile(target), "precious");
}

TEST(FileStream, TargetWithoutAnyWriteBitIsRefusedEvenToTheSuperuser) {
  const struct {
    const char* name;
    mode_t mode;
    bool refused;
  } cases[] = {
      {"ReadOnlyForAll", 0444, true},           {"ReadableByOwnerOnly", 0400, true},
      {"ExecutableButNotWritable", 0555, true}, {"WritableByGroupOnly", 0464, false},
      {"WritableByOwner", 0644, false},
  };
  // The tests run as the superuser here, whom the ordinary permission checks let through.
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string target = dir.Write("photo.jpg", "kept");
    ::chmod(target.c_str(), c.mode);
    if (!c.refused) {
      if (::geteuid() != 0 && (c.mode & 0200) == 0) continue;
      WriteWholeFile(target, "new");
      EXPECT_EQ(ReadFile(target), "new");
      continue;
    }
    try {
      WriteWholeFile(target, "new");
      ADD_FAILURE() << "replaced a read-only file";
    } catch (const EFCreateError& error) {
      EXPECT_EQ(error.Message(),
                "ファイル \"" + target + "\" を作成できません。" + std::strerror(EACCES));
    }
    EXPECT_EQ(ReadFile(target), "kept");
    EXPECT_EQ(FileNames(dir.Str()), "photo.jpg");
  }
}

TEST(SyncFolder, FlushesAFolderAndFailsForNone) {
  TempDir dir;
  EXPECT_TRUE(SyncFolder(dir.Str()));
  EXPECT_FALSE(SyncFolder(dir.File("gone")));
}

}  // namespace
}  // namespace quillo
