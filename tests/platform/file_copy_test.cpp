#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <string>

#include "platform/errors.h"
#include "platform/file_copy.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

TEST(CopyFileContent, CopiesFromAnotherFileSystemAndFromTheCurrentPosition) {
  testing::TempDir dir;
  const std::string bytes = "0123456789" + std::string(300000, 'z');
  // /dev/shm is a memory file system, so the kernel may refuse the direct copy to the temp folder.
  for (const std::filesystem::path& folder : {dir.Path(), std::filesystem::path("/dev/shm")}) {
    SCOPED_TRACE(folder.string());
    if (!std::filesystem::is_directory(folder)) continue;
    const std::string source = (folder / ("quillo-copy-" + std::to_string(::getpid()))).string();
    WriteWholeFile(source, bytes);
    {
      TFileStream input(source, fmOpenRead);
      TFileStream output(dir.File("copy"), fmCreate);
      input.SetPosition(4);
      CopyFileContent(input, output, static_cast<int64_t>(bytes.size()) - 4);
      output.Commit();
    }
    std::filesystem::remove(source);
    EXPECT_EQ(testing::ReadFile(dir.File("copy")), bytes.substr(4));
  }
}

TEST(CopyFileContent, SourceShorterThanTheCountIsAReadError) {
  testing::TempDir dir;
  const std::string source = dir.Write("short", "abc");
  const std::string target = dir.Write("target", "kept");
  {
    TFileStream input(source, fmOpenRead);
    TFileStream output(target, fmCreate);
    EXPECT_THROW(CopyFileContent(input, output, 10), EReadError);
  }
  EXPECT_EQ(testing::ReadFile(target), "kept");
}

TEST(CopyFileAtomically, FailedOpenKeepsTheTargetAndACopyOntoItselfKeepsTheBytes) {
  testing::TempDir dir;
  const std::string target = dir.Write("target", "kept");
  EXPECT_THROW(CopyFileAtomically(dir.File("missing"), target), EFOpenError);
  EXPECT_THROW(CopyFileAtomically(dir.Mkdir("folder"), target), EFOpenError);
  CopyFileAtomically(target, target);
  EXPECT_EQ(testing::ReadFile(target), "kept");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
}

}  // namespace
}  // namespace quillo
