#include "listing/image_listing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/errors.h"
#include "support/permission_checks.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_window.h"

namespace quillo {
namespace {

using testing::TempDir;

// The folder of the listing examples: five pictures, a PNG and a subfolder with one more.
void FillExampleFolder(const TempDir& dir) {
  for (const char* name : {"d.Jpeg", "B.JPG", "e.png", "a.jpg", "c.jpeg", "m/b2.jpg"})
    dir.Write(name);
}

class ListingHandlers : public ::testing::Test {
 protected:
  TempDir dir;
  HeadlessApp app{dir.File("quillomark")};
};

TEST_F(ListingHandlers, SortsWithoutCaseAndPlacesSubfolderFilesByTheirPath) {
  FillExampleFolder(dir);
  app.Type("Edit_RotateSource", dir.Str());
  app.Tick("CheckBox_RotateSubFolder", true);
  app.Click("SpeedButton_RotateGetImages");
  const std::string base = dir.Slash();
  EXPECT_EQ(app.Lines("Editor1"),
            (std::vector<std::string>{base + "a.jpg", base + "B.JPG", base + "c.jpeg",
                                      base + "d.Jpeg", base + "m/b2.jpg"}));
  app.Tick("CheckBox_RotateSubFolder", false);
  app.Click("SpeedButton_RotateGetImages");
  EXPECT_EQ(app.Lines("Editor1").size(), 4u);
  EXPECT_TRUE(app.Boxes().empty());
}

TEST_F(ListingHandlers, AllListsEveryFileButNoFolder) {
  FillExampleFolder(dir);
  dir.Write("README");
  app.Type("Edit_RenameSource", dir.Slash());
  app.Pick("RadioGroup_RenameImageType", 3);
  app.Click("SpeedButton_RenameGetImages");
  const std::string base = dir.Slash();
  EXPECT_EQ(app.Lines("Editor3"),
            (std::vector<std::string>{base + "a.jpg", base + "B.JPG", base + "c.jpeg",
                                      base + "d.Jpeg", base + "e.png", base + "README"}));
}

TEST_F(ListingHandlers, TypeRadioChoosesTheMasksExceptOnTheRotateTab) {
  for (const char* name : {"a.tif", "b.TIFF", "c.bmp", "d.jpg"}) dir.Write(name);
  app.Type("Edit_EnfuseSource", dir.Str());
  app.Pick("RadioGroup_EnfuseImageType", 1);
  app.Click("SpeedButton_EnfuseGetImages");
  EXPECT_EQ(app.Lines("Editor2"),
            (std::vector<std::string>{dir.File("a.tif"), dir.File("b.TIFF")}));
  app.Type("Edit_ConversionSource", dir.Str());
  app.Pick("RadioGroup_ConversionImageFindType", 2);
  app.Click("SpeedButton_ConversionGetImages");
  EXPECT_EQ(app.Lines("Editor4"), (std::vector<std::string>{dir.File("c.bmp")}));
  app.Type("Edit_RotateSource", dir.Str());
  app.Pick("RadioGroup_EnfuseImageType", 3);
  app.Click("SpeedButton_RotateGetImages");
  EXPECT_EQ(app.Lines("Editor1"), (std::vector<std::string>{dir.File("d.jpg")}));
}

TEST_F(ListingHandlers, RelativeFolderGivesRelativeLines) {
  dir.Write("rel/x.jpg");
  char* previous = ::getcwd(nullptr, 0);
  ASSERT_EQ(::chdir(dir.Str().c_str()), 0);
  app.Type("Edit_RotateSource", "rel");
  app.Click("SpeedButton_RotateGetImages");
  EXPECT_EQ(app.Lines("Editor1"), (std::vector<std::string>{"rel/x.jpg"}));
  EXPECT_EQ(::chdir(previous), 0);
  ::free(previous);
}

TEST_F(ListingHandlers, HiddenFilesAreListedAndRepeatedListingsAgree) {
  dir.Write(".hidden.jpg");
  dir.Write("shown.jpg");
  app.Type("Edit_RotateSource", dir.Str());
  app.Click("SpeedButton_RotateGetImages");
  const std::vector<std::string> first = app.Lines("Editor1");
  EXPECT_EQ(first, (std::vector<std::string>{dir.File(".hidden.jpg"), dir.File("shown.jpg")}));
  app.Click("SpeedButton_RotateGetImages");
  EXPECT_EQ(app.Lines("Editor1"), first);
}

TEST_F(ListingHandlers, EmptyFolderClearsTheList) {
  app.SetLines("Editor1", {"old line"});
  app.Type("Edit_RotateSource", dir.Str());
  app.Click("SpeedButton_RotateGetImages");
  EXPECT_TRUE(app.Lines("Editor1").empty());
  EXPECT_TRUE(app.Boxes().empty());
}

TEST_F(ListingHandlers, InvalidFolderShowsItsErrorAndKeepsTheLines) {
  app.SetLines("Editor1", {"kept"});
  app.Type("Edit_RotateSource", dir.File("nowhere"));
  app.Click("SpeedButton_RotateGetImages");
  ASSERT_EQ(app.Boxes().size(), 1u);
  EXPECT_EQ(app.Boxes()[0].icon, miError);
  EXPECT_EQ(app.Boxes()[0].caption, "quillomark");
  EXPECT_EQ(app.Boxes()[0].text, dir.File("nowhere") + "is Invalid.");
  EXPECT_EQ(app.Lines("Editor1"), (std::vector<std::string>{"kept"}));

  app.ClearBoxes();
  app.Type("Edit_RotateSource", "");
  app.Click("SpeedButton_RotateGetImages");
  ASSERT_EQ(app.Boxes().size(), 1u);
  EXPECT_EQ(app.Boxes()[0].text, "is Invalid.");
}

TEST_F(ListingHandlers, UnreadableSubfolderContributesNothing) {
  dir.Write("a.jpg");
  dir.Write("closed/b.jpg");
  ::chmod(dir.File("closed").c_str(), 0);
  testing::ScopedPermissionChecks checks;
  app.Type("Edit_RotateSource", dir.Str());
  app.Tick("CheckBox_RotateSubFolder", true);
  app.Click("SpeedButton_RotateGetImages");
  EXPECT_EQ(app.Lines("Editor1"), (std::vector<std::string>{dir.File("a.jpg")}));
  EXPECT_TRUE(app.Boxes().empty());
}

TEST_F(ListingHandlers, LoopingFolderLinksAreNotEnteredAgain) {
  dir.Write("a.jpg");
  dir.Write("sub/b.jpg");
  dir.Write("other/c.jpg");
  // Two loops (back to the top and back to the parent) and one link that is no loop.
  ASSERT_EQ(::symlink(dir.Str().c_str(), dir.File("top").c_str()), 0);
  ASSERT_EQ(::symlink("..", dir.File("sub/up").c_str()), 0);
  ASSERT_EQ(::symlink("../other", dir.File("sub/side").c_str()), 0);
  app.Type("Edit_RotateSource", dir.Str());
  app.Tick("CheckBox_RotateSubFolder", true);
  app.Click("SpeedButton_RotateGetImages");
  EXPECT_EQ(app.Lines("Editor1"),
            (std::vector<std::string>{dir.File("a.jpg"), dir.File("other/c.jpg"),
                                      dir.File("sub/b.jpg"), dir.File("sub/side/c.jpg")}));
  EXPECT_TRUE(app.Boxes().empty());
}

TEST(SortedPathList, KeepsNamesDifferingInCaseAndRefusesExactDuplicates) {
  TSortedPathList list;
  EXPECT_TRUE(list.Add("/p/a.jpg"));
  EXPECT_TRUE(list.Add("/p/A.jpg"));
  EXPECT_FALSE(list.Add("/p/a.jpg"));
  EXPECT_TRUE(list.Add("/p/B.jpg"));
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"/p/A.jpg", "/p/a.jpg", "/p/B.jpg"}));
}

// Letters compare as capitals, so "[" and "_" sort after every letter; digits and other bytes
// compare by value, without regard for numbers or characters; names equal without case fall
// back to their bytes. Both masks match every file, and each path is still listed once.
TEST(FindFiles, OrdersNamesDifferingInCaseDigitsAndBytes) {
  const std::vector<std::string> expected = {
      "A.jpg",  "a.JPG",         "a.Jpg",         "a.jpg",         "a01.jpg",   "A1.jpg",
      "a1.jpg", "a10.jpg",       "a2.jpg",        "AZ.jpg",        "az.jpg",    "a[.jpg",
      "a_.jpg", "a\xc3\x89.jpg", "A\xc3\xa9.jpg", "a\xc3\xa9.jpg", "a\xff.jpg", "b-.jpg",
      "b.jpg",  "B/x.jpg",       "b/x.jpg"};
  TempDir dir;
  for (auto name = expected.rbegin(); name != expected.rend(); ++name) dir.Write(*name);
  dir.Write("a.jpeg");
  dir.Write("a.png");
  TSortedPathList found;
  FindFiles(dir.Str(), found, "*.jpg;*.JPG", foFiles | foSubFolders);
  std::vector<std::string> paths;
  for (const std::string& name : expected) paths.push_back(dir.File(name));
  EXPECT_EQ(found.Items(), paths);
}

TEST(SplitMasks, CutsAtSemicolonsAndDropsEmptyParts) {
  EXPECT_EQ(SplitMasks("*.jpg;*.jpeg"), (std::vector<std::string>{".jpg", ".jpeg"}));
  EXPECT_EQ(SplitMasks("*.*"), (std::vector<std::string>{".*"}));
  EXPECT_EQ(SplitMasks(";;*.bmp;"), (std::vector<std::string>{".bmp"}));
  EXPECT_EQ(SplitMasks("raw;**.x"), (std::vector<std::string>{"raw", "*.x"}));
  EXPECT_TRUE(SplitMasks("").empty());
  EXPECT_EQ(MaskListForImageType(-1), "");
  EXPECT_EQ(MaskListForImageType(4), "");
}

TEST(FindFiles, PatternWithoutStarMatchesOnlyThatExtension) {
  TempDir dir;
  dir.Write("a.raw");
  dir.Write("b.xraw");
  dir.Write("noext");
  TSortedPathList found;
  FindFiles(dir.Str(), found, "raw;.RAW", foFiles);
  EXPECT_EQ(found.Items(), (std::vector<std::string>{dir.File("a.raw")}));
  TSortedPathList folders;
  dir.Mkdir("sub");
  FindFiles(dir.Str(), folders, "*.*", foFolders);
  EXPECT_EQ(folders.Items(), (std::vector<std::string>{dir.File("sub")}));
}

}  // namespace
}  // namespace quillo
