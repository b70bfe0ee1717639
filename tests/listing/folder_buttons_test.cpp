// The eleven folder buttons of the main window, through the headless window and its scripted
// folder dialog.
#include <gtest/gtest.h>

#include "platform/text_rules.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_window.h"

namespace quillo {
namespace {

using testing::TempDir;

struct FolderButton {
  const char* button;
  const char* edit;
};

constexpr FolderButton kButtons[] = {
    {"SpeedButton_RotateDest", "Edit_RotateDest"},
    {"SpeedButton_RenameSource", "Edit_RenameSource"},
    {"SpeedButton_RotateSource", "Edit_RotateSource"},
    {"SpeedButton_ConversionSourceAuto", "Edit_ConversionSource"},
    {"SpeedButton_EnfuseSource", "Edit_EnfuseSource"},
    {"SpeedButton_RenameDest", "Edit_RenameDest"},
    {"SpeedButton_RotateSourceAuto", "Edit_RotateSource"},
    {"SpeedButton_ConversionDest", "Edit_ConversionDest"},
    {"SpeedButton_EnfuseSourceAuto", "Edit_EnfuseSource"},
    {"SpeedButton_ConversionSource", "Edit_ConversionSource"},
    {"SpeedButton_RenameSourceAuto", "Edit_RenameSource"},
};

struct AutoButton {
  const char* button;
  const char* editor;
  const char* sub_folders;
};

constexpr AutoButton kAutoButtons[] = {
    {"SpeedButton_RotateSourceAuto", "Editor1", "CheckBox_RotateSubFolder"},
    {"SpeedButton_EnfuseSourceAuto", "Editor2", "CheckBox_EnfuseSubFolder"},
    {"SpeedButton_RenameSourceAuto", "Editor3", "CheckBox_RenameSubFolder"},
    {"SpeedButton_ConversionSourceAuto", "Editor4", "CheckBox_ConversionSubFolder"},
};

class FolderButtonsTest : public ::testing::Test {
 protected:
  FolderButtonsTest() : app_(dir_.File("Quillomark.exe")) {}

  ScriptedFolderBrowser& Browser() { return app_.Window().Scripted(); }

  TempDir dir_;
  HeadlessApp app_;
};

TEST_F(FolderButtonsTest, EveryButtonOpensWhereAnyButtonChoseLast) {
  app_.Type("Edit_RotateDest", dir_.Mkdir("typed"));
  std::vector<std::string> chosen;
  for (const FolderButton& b : kButtons) {
    SCOPED_TRACE(b.button);
    chosen.push_back(dir_.Mkdir("folder" + std::to_string(chosen.size())));
    Browser().ChooseNext(chosen.back());
    ASSERT_TRUE(app_.Click(b.button));
    EXPECT_EQ(app_.Text(b.edit), chosen.back() + "/");
  }
  ASSERT_EQ(Browser().preselected.size(), chosen.size());
  // The first dialog of a run preselects nothing, and a typed folder is not where it opens.
  EXPECT_EQ(Browser().preselected[0], "");
  for (size_t i = 1; i < chosen.size(); ++i) EXPECT_EQ(Browser().preselected[i], chosen[i - 1]);
  EXPECT_TRUE(app_.Boxes().empty());
}

TEST_F(FolderButtonsTest, CancelChangesNothing) {
  const std::string first = dir_.Mkdir("first");
  Browser().ChooseNext(first);
  app_.Click("SpeedButton_RotateDest");
  for (const FolderButton& b : kButtons) app_.Type(b.edit, "typed " + std::string(b.edit));
  for (const AutoButton& a : kAutoButtons) app_.SetLines(a.editor, {"kept line"});

  for (const FolderButton& b : kButtons) {
    Browser().CancelNext();
    app_.Click(b.button);
  }
  for (const FolderButton& b : kButtons)
    EXPECT_EQ(app_.Text(b.edit), "typed " + std::string(b.edit));
  for (const AutoButton& a : kAutoButtons) {
    EXPECT_EQ(app_.Lines(a.editor), std::vector<std::string>{"kept line"});
  }
  EXPECT_EQ(app_.Form().BrowseDialog1.Directory(), first);
  EXPECT_EQ(Browser().preselected.back(), first);
  EXPECT_TRUE(app_.Boxes().empty());
}

TEST_F(FolderButtonsTest, AutoListsTheChosenFolderWithTheTabsSubfolderBox) {
  dir_.Write("shots/b.jpg");
  dir_.Write("shots/a.JPG");
  dir_.Write("shots/notes.txt");
  dir_.Write("shots/day2/c.jpeg");
  const std::string shots = dir_.File("shots");
  for (const AutoButton& a : kAutoButtons) {
    SCOPED_TRACE(a.button);
    Browser().ChooseNext(shots);
    app_.Click(a.button);
    EXPECT_EQ(app_.Lines(a.editor), (std::vector<std::string>{shots + "/a.JPG", shots + "/b.jpg"}));

    app_.Tick(a.sub_folders, true);
    Browser().ChooseNext(shots);
    app_.Click(a.button);
    EXPECT_EQ(app_.Lines(a.editor), (std::vector<std::string>{shots + "/a.JPG", shots + "/b.jpg",
                                                              shots + "/day2/c.jpeg"}));
  }
  EXPECT_TRUE(app_.Boxes().empty());
}

TEST_F(FolderButtonsTest, ItemWithoutFileSystemPathGivesTheDelimiterAlone) {
  Browser().Enqueue({true, std::nullopt, "Network"});
  app_.Click("SpeedButton_RenameDest");
  EXPECT_EQ(app_.Text("Edit_RenameDest"), "/");

  ScopedTextRules rules(trWindowsJapanese);
  Browser().Enqueue({true, std::nullopt, "Network"});
  app_.Click("SpeedButton_ConversionDest");
  EXPECT_EQ(app_.Text("Edit_ConversionDest"), "\\");
  EXPECT_EQ(Browser().preselected, (std::vector<std::string>{"", ""}));
}

TEST_F(FolderButtonsTest, WindowsJapaneseFoldersGetOneBackslash) {
  ScopedTextRules rules(trWindowsJapanese);
  const struct {
    std::string chosen;
    std::string shown;
  } cases[] = {
      {"D:\\", "D:\\"},
      {"D:\\\x8e\xca\x90\x5e", "D:\\\x8e\xca\x90\x5e\\"},  // 写真
      {"D:\\\x95\x5c", "D:\\\x95\x5c\\"},                  // 表, second byte "\"
  };
  for (const auto& c : cases) {
    Browser().ChooseNext(c.chosen);
    app_.Click("SpeedButton_RotateSource");
    EXPECT_EQ(app_.Text("Edit_RotateSource"), c.shown);
  }
  Browser().CancelNext();
  app_.Click("SpeedButton_RotateDest");
  // The drive root keeps its backslash and the folder ending in 表 keeps its last byte.
  EXPECT_EQ(Browser().preselected,
            (std::vector<std::string>{"", "D:\\", "D:\\\x8e\xca\x90\x5e", "D:\\\x95\x5c"}));
}

TEST_F(FolderButtonsTest, DialogFailuresReachTheErrorBoxAndChangeNothing) {
  const struct {
    bool ScriptedFolderBrowser::*failure;
    const char* root;
    const char* message;  // empty: nothing is shown
  } cases[] = {
      {&ScriptedFolderBrowser::fail_allocator, "", ""},
      {&ScriptedFolderBrowser::fail_display_name, "", "TBrowseDialog: ppmem.Alloc Failed."},
      {&ScriptedFolderBrowser::fail_desktop_folder, "/",
       "TBrowseDialog: SHGetDesktopFolder Failed."},
  };
  app_.SetLines("Editor3", {"kept line"});
  app_.Type("Edit_RenameSource", "typed");
  app_.Form().BrowseDialog1.SetDirectory(dir_.Str());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    app_.ClearBoxes();
    app_.Form().BrowseDialog1.SetRoot(c.root);
    Browser().*c.failure = true;
    app_.Click("SpeedButton_RenameSourceAuto");
    Browser().*c.failure = false;
    if (c.message[0] == '\0') {
      EXPECT_TRUE(app_.Boxes().empty());
    } else {
      ASSERT_EQ(app_.Boxes().size(), 1u);
      EXPECT_EQ(app_.Boxes()[0].caption, "Quillomark");
      EXPECT_EQ(app_.Boxes()[0].text, c.message);
    }
    EXPECT_EQ(app_.Text("Edit_RenameSource"), "typed");
    EXPECT_EQ(app_.Lines("Editor3"), std::vector<std::string>{"kept line"});
    EXPECT_EQ(app_.Form().BrowseDialog1.Directory(), dir_.Str());
  }
  EXPECT_TRUE(Browser().requests.empty());
}

}  // namespace
}  // namespace quillo
