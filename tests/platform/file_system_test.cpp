#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>

#include "support/temp_dir.h"

namespace quillo {
namespace {

using testing::TempDir;

TEST(FileSystem, EnumerationListsHiddenEntriesAndFolderLinksAsFolders) {
  TempDir dir;
  dir.Write(".hidden.jpg");
  dir.Write("plain.jpg");
  dir.Mkdir("sub");
  ASSERT_EQ(::symlink(dir.File("sub").c_str(), dir.File("link").c_str()), 0);
  std::set<std::string> files, folders;
  EXPECT_TRUE(EnumerateFolder(dir.Str(), [&](const FolderEntry& entry) {
    (entry.is_folder ? folders : files).insert(entry.name);
  }));
  EXPECT_EQ(files, (std::set<std::string>{".hidden.jpg", "plain.jpg"}));
  EXPECT_EQ(folders, (std::set<std::string>{".", "..", "sub", "link"}));
}

TEST(FileSystem, ExistenceTellsFoldersFromFiles) {
  TempDir dir;
  const std::string file = dir.Write("a.jpg");
  EXPECT_TRUE(DirectoryExists(dir.Str()));
  EXPECT_TRUE(DirectoryExists(dir.Slash()));
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_FALSE(DirectoryExists(""));
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FileExists(dir.Str()));
  EXPECT_FALSE(FileExists(dir.File("b.jpg")));
  EXPECT_FALSE(EnumerateFolder(dir.File("missing"), [](const FolderEntry&) {}));
}

}  // namespace
}  // namespace quillo
