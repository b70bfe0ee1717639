// The Qt folder dialog behind the folder-browser interface, answered from inside its own loop.
#include "ui/qt/qt_folder_browser.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <string>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "qt_environment.h"
#include "support/temp_dir.h"
#include "ui/qt/native_text.h"

namespace quillo {
namespace {

using testing::OnNextModal;
using testing::TempDir;

QAbstractButton* AcceptButton(QWidget& dialog) {
  auto* buttons = dialog.findChild<QDialogButtonBox*>();
  for (QAbstractButton* button : buttons->buttons()) {
    if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole) return button;
  }
  return nullptr;
}

class FolderBrowserTest : public ::testing::Test {
 protected:
  FolderBrowserTest() : browser_(&owner_) {}

  TempDir temp_;
  QWidget owner_;
  QtFolderBrowser browser_;
  std::vector<std::pair<int, std::string>> events_;
};

TEST_F(FolderBrowserTest, OpensOnThePreselectedFolderAndReturnsTheChosenOne) {
  const std::string chosen = temp_.Mkdir("写真");
  const std::string start = temp_.Mkdir("写真/2024");
  BrowseRequest request;
  request.callback = [&](BrowseDialogWindow& dialog, int event, const std::string& path) {
    events_.emplace_back(event, path);
    if (event == beInitialized) dialog.SetSelection(start);
  };
  std::string opened_on;
  const auto answer = OnNextModal([&](QWidget& dialog) {
    auto& files = static_cast<QFileDialog&>(dialog);
    opened_on = FromQString(files.directory().absolutePath());
    // The user goes up one folder and takes it.
    dialog.findChild<QAbstractButton*>("toParentButton")->click();
    AcceptButton(dialog)->click();
  });

  const BrowseResult result = browser_.Browse(request);
  EXPECT_EQ(opened_on, start);
  EXPECT_TRUE(result.chosen);
  EXPECT_EQ(result.path, chosen);
  EXPECT_EQ(result.display_name, "写真");
  ASSERT_FALSE(events_.empty());
  EXPECT_EQ(events_.front(), std::make_pair(static_cast<int>(beInitialized), std::string()));
  EXPECT_EQ(events_.back(), std::make_pair(static_cast<int>(beSelectionChanged), chosen));
}

TEST_F(FolderBrowserTest, CancelChoosesNothingAndNoStatusLineShowsUnasked) {
  bool status_visible = true;
  const auto answer = OnNextModal([&](QWidget& dialog) {
    status_visible = dialog.findChild<QLabel*>("BrowseStatus")->isVisible();
    static_cast<QDialog&>(dialog).reject();
  });
  const BrowseResult result = browser_.Browse({});
  EXPECT_FALSE(result.chosen);
  EXPECT_FALSE(result.path.has_value());
  EXPECT_FALSE(status_visible);
}

TEST_F(FolderBrowserTest, CallbackDecidesTheOkButtonAndTheStatusLine) {
  temp_.Mkdir("sub");
  BrowseRequest request;
  request.flags = kBrowseStatusTextFlag;
  request.callback = [&](BrowseDialogWindow& dialog, int event, const std::string&) {
    if (event != beInitialized) return;
    dialog.SetSelection(temp_.Str());
    dialog.SetStatusText("フォルダを選んでください");
    dialog.EnableOk(false);
  };
  bool ok_enabled = true;
  QString status;
  bool status_visible = false;
  const auto answer = OnNextModal([&](QWidget& dialog) {
    // Typing a folder's name makes the dialog review its button; the callback's choice holds.
    QTest::keyClicks(dialog.findChild<QLineEdit*>("fileNameEdit"), "sub");
    ok_enabled = AcceptButton(dialog)->isEnabled();
    const auto* line = dialog.findChild<QLabel*>("BrowseStatus");
    status = line->text();
    status_visible = line->isVisible();
    static_cast<QDialog&>(dialog).reject();
  });
  browser_.Browse(request);
  EXPECT_FALSE(ok_enabled);
  EXPECT_EQ(FromQString(status), "フォルダを選んでください");
  EXPECT_TRUE(status_visible);
}

TEST_F(FolderBrowserTest, ErrorInTheCallbackClosesTheDialogAndComesOut) {
  BrowseRequest request;
  request.callback = [](BrowseDialogWindow&, int, const std::string&) {
    throw Exception("TBrowseDialog: broken handler");
  };
  // Answers only if the error failed to close the dialog, so that the test cannot hang.
  const auto answer = OnNextModal([](QWidget& dialog) { static_cast<QDialog&>(dialog).reject(); });
  EXPECT_THROW(
      {
        try {
          browser_.Browse(request);
        } catch (const Exception& error) {
          EXPECT_STREQ(error.what(), "TBrowseDialog: broken handler");
          throw;
        }
      },
      Exception);
  EXPECT_TRUE(answer->isActive()) << "the dialog stayed open after the error";
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
}  // namespace quillo
