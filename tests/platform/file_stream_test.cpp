#include "platform/file_stream.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include <filesystem>

#include "platform/errors.h"
#include "support/permission_checks.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

using testing::ReadFile;
using testing::TempDir;

int EntryCount(const TempDir& dir) {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    ++count;
  return count;
}

bool UnnamedFilesSupported(const TempDir& dir) {
  const int fd = ::open(dir.Str().c_str(), O_TMPFILE | O_WRONLY, 0600);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

TEST(FileStream, CreatedFileAppearsOnlyOnCommit) {
  TempDir dir;
  const std::string target = dir.Write("photo.bmp", "old");
  {
    TFileStream file(target, fmCreate);
    file.WriteBuffer("new bytes", 9);
    EXPECT_EQ(ReadFile(target), "old");
    // An unnamed temporary file: a kill now would leave nothing behind.
    if (UnnamedFilesSupported(dir)) {
      EXPECT_EQ(EntryCount(dir), 1);
    }
    file.Commit();
  }
  EXPECT_EQ(ReadFile(target), "new bytes");
  EXPECT_EQ(EntryCount(dir), 1);
}

TEST(FileStream, LongestNameIsCreatedAndReplaced) {
  TempDir dir;
  // 255 bytes, the most a name may have: no room for anything appended to it.
  const std::string target = dir.File(std::string(251, 'n') + ".jpg");
  WriteWholeFile(target, "first");
  WriteWholeFile(target, "second");
  EXPECT_EQ(ReadFile(target), "second");
  EXPECT_EQ(EntryCount(dir), 1);
}

TEST(FileStream, ReplacedTargetKeepsItsPermissionsButNoSetIdBits) {
  TempDir dir;
  const std::string target = dir.Write("tool.jpg", "old");
  ::chmod(target.c_str(), 06750);
  WriteWholeFile(target, "content of our making");
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0750u);
}

TEST(FileStream, FailureHalfWayKeepsTheOldTargetAndLeavesNoTemporaryFile) {
  TempDir dir;
  const std::string target = dir.Write("photo.bmp", "precious");
  try {
    TFileStream file(target, fmCreate);
    file.WriteBuffer("half", 4);
    throw EWriteError(kWriteErrorMessage);
  } catch (const EWriteError&) {
  }
  EXPECT_EQ(ReadFile(target), "precious");
  EXPECT_EQ(EntryCount(dir), 1);
}

TEST(FileStream, OpenAndCreateErrorsNameTheFullPath) {
  TempDir dir;
  try {
    TFileStream file(dir.File("missing.jpg"), fmOpenRead);
    FAIL() << "opened a missing file";
  } catch (const EFOpenError& error) {
    EXPECT_EQ(error.Message(), "ファイル \"" + dir.File("missing.jpg") + "\" は開けません。" +
                                   std::strerror(ENOENT));
  }
  EXPECT_THROW(TFileStream(dir.Str(), fmOpenRead), EFOpenError);
  // A device, like a pipe, is no file to read: it may never end.
  try {
    TFileStream file("/dev/zero", fmOpenRead);
    FAIL() << "opened a device";
  } catch (const EFOpenError& error) {
    EXPECT_EQ(error.Message(),
              std::string("ファイル \"/dev/zero\" は開けません。") + std::strerror(EOPNOTSUPP));
  }
  EXPECT_THROW(TFileStream(dir.File("no/such/folder.bmp"), fmCreate), EFCreateError);
  EXPECT_THROW(TFileStream(dir.Str(), fmCreate), EFCreateError);
  EXPECT_THROW(TFileStream("", fmCreate), EFCreateError);
}

TEST(FileStream, ReadOnlyFolderOrTargetRefusesTheCreate) {
  TempDir dir;
  const std::string locked = dir.Mkdir("locked");
  ::chmod(locked.c_str(), 0555);
  // The folder would let a read-only file be replaced; the file's own protection still counts.
  const std::string protected_file = dir.Write("protected.bmp", "kept");
  ::chmod(protected_file.c_str(), 0444);
  testing::ScopedPermissionChecks checks;
  EXPECT_THROW(WriteWholeFile(locked + "/a.bmp", "x"), EFCreateError);
  try {
    WriteWholeFile(protected_file, "x");
    FAIL() << "replaced a read-only file";
  } catch (const EFCreateError& error) {
    EXPECT_EQ(error.Message(),
              "ファイル \"" + protected_file + "\" を作成できません。" + std::strerror(EACCES));
  }
  EXPECT_EQ(ReadFile(protected_file), "kept");
  EXPECT_EQ(EntryCount(dir), 2);
}

TEST(FileStream, WholeFileHelpersRoundTripAndShortReadsThrow) {
  TempDir dir;
  const std::string bytes("a\0b\r\n", 5);
  WriteWholeFile(dir.File("x.bin"), bytes);
  EXPECT_EQ(ReadWholeFile(dir.File("x.bin")), bytes);
  TFileStream file(dir.File("x.bin"), fmOpenRead);
  char buffer[8];
  EXPECT_THROW(file.ReadBuffer(buffer, 8), EReadError);
}

TEST(MemoryStream, GrowsOnWriteAndReadsBackFromAnyPosition) {
  TMemoryStream stream;
  stream.WriteBuffer("abcdef", 6);
  stream.SetPosition(10);
  stream.WriteBuffer("z", 1);
  EXPECT_EQ(stream.Size(), 11);
  EXPECT_EQ(stream.Bytes()[7], 0);
  stream.SetPosition(2);
  char buffer[3];
  stream.ReadBuffer(buffer, 3);
  EXPECT_EQ(std::string(buffer, 3), "cde");
  stream.SetPosition(9);
  EXPECT_EQ(stream.Read(buffer, 3), 2);
  stream.SetSize(2);
  EXPECT_EQ(stream.Position(), 2);
  EXPECT_THROW(stream.ReadBuffer(buffer, 1), EReadError);

  // Reserved room: the bytes stay where they are while the stream grows into it.
  stream.Reserve(4096);
  const uint8_t* memory = stream.Memory();
  for (int i = 0; i < 1000; ++i) stream.WriteBuffer("wxyz", 4);
  EXPECT_EQ(stream.Memory(), memory);
  EXPECT_EQ(stream.Size(), 4002);
}

}  // namespace
}  // namespace quillo
