#include "listing/browse_dialog.h"

#include <gtest/gtest.h>

#include "platform/text_rules.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_window.h"

namespace quillo {
namespace {

using testing::TempDir;

constexpr char kPhotos[] = "\x8e\xca\x90\x5e";  // 写真 in Shift-JIS
constexpr char kTable[] = "\x95\x5c";           // 表: its second byte is "\"

TEST(BrowseDialog, OptionsCaptionAndRootReachTheRequest) {
  const struct {
    TBrowseOptions options;
    unsigned flags;
  } cases[] = {
      {biBrowseForComputer, 0x1000},
      {biBrowseForPrinter, 0x2000},
      {biDontGoBelowDomain, 0x0002},
      {biReturnFSAncestors, 0x0008},
      {biReturnOnlyFSDirs, 0x0001},
      {biStatusText, 0x0004},
      {biStatusText | biReturnOnlyFSDirs | biBrowseForPrinter, 0x2005},
      {0, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(BrowseFlags(c.options), c.flags) << int{c.options};

  TempDir dir;
  ScriptedFolderBrowser browser;
  TBrowseDialog dialog(browser);
  EXPECT_EQ(dialog.Options(), biReturnOnlyFSDirs);
  dialog.Execute();
  dialog.SetCaption("フォルダを選んでください");
  dialog.SetRoot(dir.Str());
  dialog.SetOptions(biStatusText);
  dialog.Execute();
  dialog.SetRoot(dir.File("missing"));
  dialog.Execute();

  ASSERT_EQ(browser.requests.size(), 3u);
  EXPECT_EQ(browser.requests[0].title, "");
  EXPECT_EQ(browser.requests[0].root, std::nullopt);
  EXPECT_EQ(browser.requests[0].flags, 0x0001u);
  EXPECT_EQ(browser.requests[1].title, "フォルダを選んでください");
  EXPECT_EQ(browser.requests[1].root, dir.Str());
  EXPECT_EQ(browser.requests[1].flags, 0x0004u);
  // A root that cannot be parsed opens the whole namespace.
  EXPECT_EQ(browser.requests[2].root, std::nullopt);
}

TEST(BrowseDialog, ChoiceGivesDirectoryAndDisplayName) {
  ScriptedFolderBrowser browser;
  TBrowseDialog dialog(browser);
  browser.ChooseNext("/data/photos");
  EXPECT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.Directory(), "/data/photos");
  EXPECT_EQ(dialog.DisplayName(), "photos");

  browser.Enqueue({true, std::nullopt, "Network"});
  EXPECT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.Directory(), "");
  EXPECT_EQ(dialog.DisplayName(), "Network");
}

TEST(BrowseDialog, EventsReceiveThePathAndSetStatusAndOkButton) {
  ScriptedFolderBrowser browser;
  TBrowseDialog dialog(browser);
  dialog.SetDirectory("/start/");
  std::vector<std::string> paths;
  dialog.OnInitialized = [&](TBrowseDialog& sender, BrowseDialogWindow&, const std::string& path,
                             std::string& show_text, TOKButtonState& ok) {
    EXPECT_EQ(&sender, &dialog);
    EXPECT_EQ(show_text, "");
    EXPECT_EQ(ok, obsDefault);
    paths.push_back("init " + path);
    show_text = "opened";
    ok = obsDisabled;
  };
  dialog.OnSelectionChanged = [&](TBrowseDialog&, BrowseDialogWindow&, const std::string& path,
                                  std::string& show_text, TOKButtonState& ok) {
    EXPECT_EQ(show_text, "");
    EXPECT_EQ(ok, obsDefault);
    paths.push_back("changed " + path);
    if (path.empty()) ok = obsEnabled;
  };
  browser.ChooseNext("/start/deeper");
  dialog.Execute();
  browser.Enqueue({true, std::nullopt, "Printers"});
  dialog.Execute();

  EXPECT_EQ(paths, (std::vector<std::string>{"init /start", "changed /start/deeper",
                                             "init /start/deeper", "changed "}));
  EXPECT_EQ(browser.status_texts, (std::vector<std::string>{"opened", "", "opened", ""}));
  EXPECT_EQ(browser.ok_changes, (std::vector<bool>{false, false, true}));
}

TEST(BrowseDialog, PreselectionDropsATrailingDelimiterExceptAtADriveRoot) {
  const struct {
    TextRuleSet rules;
    std::string directory;
    std::string preselected;
  } cases[] = {
      {trWindowsJapanese, "D:\\", "D:\\"},
      {trWindowsJapanese, "D:\\" + std::string(kPhotos) + "\\", "D:\\" + std::string(kPhotos)},
      {trWindowsJapanese, "D:\\" + std::string(kPhotos), "D:\\" + std::string(kPhotos)},
      {trWindowsJapanese, "D:\\" + std::string(kTable), "D:\\" + std::string(kTable)},
      {trWindowsJapanese, "D:\\" + std::string(kTable) + "\\", "D:\\" + std::string(kTable)},
      {trNative, "/", "/"},
      {trNative, "/home/user/", "/home/user"},
      {trNative, "/home/user\\", "/home/user\\"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.directory);
    ScopedTextRules rules(c.rules);
    ScriptedFolderBrowser browser;
    TBrowseDialog dialog(browser);
    dialog.SetDirectory(c.directory);
    dialog.Execute();
    EXPECT_EQ(browser.preselected, std::vector<std::string>{c.preselected});
  }
}

}  // namespace
}  // namespace quillo
