// The real window under the offscreen platform: its shape, its controls as described, and the
// clicks that reach the form.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <string>
#include <vector>

#include "app/form_description.h"
#include "imagelib/format_registry.h"
#include "qt_environment.h"
#include "support/jpeg_test_support.h"
#include "support/temp_dir.h"
#include "ui/qt/list_editor.h"
#include "ui/qt/native_text.h"
#include "ui/qt/qt_controls.h"
#include "ui/qt/qt_program.h"

namespace quillo {
namespace {

using testing::OnNextModal;
using testing::TempDir;

class QtWindowTest : public ::testing::Test {
 protected:
  QtWindowTest() : program_(temp_.File("Quillomark.exe")) { program_.Show(); }

  QtMainWindow& Window() { return program_.Window(); }
  template <typename Widget = QWidget>
  Widget* Find(std::string_view name) {
    return Window().findChild<Widget*>(ToQString(name));
  }
  void Click(std::string_view button) { QTest::mouseClick(Find(button), Qt::LeftButton); }
  std::vector<std::string> Lines(std::string_view editor) {
    ListEditor& lines = Window().Editor(editor);
    std::vector<std::string> result;
    for (int i = 0; i < lines.LineCount(); ++i) result.push_back(lines.Line(i));
    return result;
  }

  TFormatRegistration formats_;
  TempDir temp_;
  QtProgram program_;
};

TEST_F(QtWindowTest, WindowHasItsCaptionSizeAndLimits) {
  const FormDescription& form = MainFormDescription();
  EXPECT_EQ(FromQString(Window().windowTitle()), form.caption);
  EXPECT_EQ(Window().size(), QSize(703, 517));
  EXPECT_EQ(Window().frameGeometry().topLeft(), QPoint(0, 0));
  EXPECT_EQ(Window().minimumSize(), QSize(703, 517));
  EXPECT_EQ(Window().maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
  EXPECT_EQ(Window().font().pixelSize(), 11);
  EXPECT_FALSE(Window().windowIcon().isNull());

  const QStatusBar* status = Window().statusBar();
  EXPECT_EQ(status->objectName(), "StatusBar1");
  EXPECT_EQ(status->height(), 19);
  EXPECT_EQ(status->width(), 703);
  EXPECT_EQ(status->geometry().bottom(), 516);

  // Shrinking stops at the starting size; growing leaves the controls where they were.
  Window().resize(400, 300);
  EXPECT_EQ(Window().size(), QSize(703, 517));
  Window().resize(900, 700);
  EXPECT_EQ(Window().size(), QSize(900, 700));
  EXPECT_EQ(Find("Editor1")->geometry(), QRect(20, 53, 530, 190));
  EXPECT_EQ(Window().statusBar()->width(), 900);
}

TEST_F(QtWindowTest, TabsCarryTheirExactCaptions) {
  const QTabWidget* tabs = Window().Tabs();
  EXPECT_EQ(tabs->objectName(), "PageControl1");
  const std::vector<std::string> captions = {"　画像の回転　", "　Enfuse バッチファイル作成　",
                                             "　画像のリネーム　", "画像変換"};
  ASSERT_EQ(tabs->count(), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(FromQString(tabs->tabText(i)), captions[static_cast<size_t>(i)]);
    EXPECT_EQ(tabs->widget(i)->objectName(), QString("TabSheet%1").arg(i + 1));
  }
}

TEST_F(QtWindowTest, EveryControlStandsWhereDescribedWithItsText) {
  for (const ControlDescription& c : MainFormDescription().controls) {
    SCOPED_TRACE(std::string(c.name));
    QWidget* widget = Find(c.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->parentWidget(), Window().Tabs()->widget(c.tab));
    const QRect bounds(c.bounds.x, c.bounds.y, c.bounds.width, c.bounds.height);
    if (c.kind == ckLabel) {
      EXPECT_EQ(widget->pos(), bounds.topLeft());
    } else {
      EXPECT_EQ(widget->geometry(), bounds);
    }
    EXPECT_EQ(widget->isEnabled(), c.enabled);
    switch (c.kind) {
      case ckLabel:
        EXPECT_EQ(FromQString(qobject_cast<QLabel*>(widget)->text()), c.text);
        break;
      case ckEdit: {
        // Showing the window loaded the settings; with no settings file the two number boxes
        // hold the plain "1" of the defaults instead of their form texts.
        const bool loaded_number = c.name == "Edit_FirstNumber" || c.name == "Edit_RenameStep";
        EXPECT_EQ(FromQString(qobject_cast<QLineEdit*>(widget)->text()),
                  loaded_number ? "1" : std::string(c.text));
        break;
      }
      case ckButton:
        EXPECT_EQ(FromQString(qobject_cast<QAbstractButton*>(widget)->text()), c.text);
        EXPECT_EQ(widget->focusPolicy(), Qt::NoFocus);
        break;
      case ckCheckBox:
        EXPECT_EQ(FromQString(qobject_cast<QCheckBox*>(widget)->text()), c.text);
        EXPECT_FALSE(qobject_cast<QCheckBox*>(widget)->isChecked());
        break;
      case ckRadioGroup: {
        EXPECT_EQ(FromQString(qobject_cast<QtRadioGroup*>(widget)->Caption()), c.text);
        const auto items = widget->findChildren<QRadioButton*>();
        ASSERT_EQ(items.size(), static_cast<qsizetype>(c.items.size()));
        for (qsizetype i = 0; i < items.size(); ++i) {
          EXPECT_EQ(FromQString(items[i]->text()), c.items[static_cast<size_t>(i)]);
          EXPECT_EQ(items[i]->isChecked(), i == c.item_index);
          EXPECT_TRUE(widget->rect().contains(items[i]->geometry()));
        }
        break;
      }
      case ckListEditor:
        EXPECT_NE(qobject_cast<TextListEditor*>(widget), nullptr);
        EXPECT_EQ(Window().Editor(c.name).LineCount(), 0);
        break;
    }
  }
}

TEST_F(QtWindowTest, TabKeyOrderFollowsTheDescription) {
  const FormDescription& form = MainFormDescription();
  for (int tab = 0; tab < 4; ++tab) {
    SCOPED_TRACE(tab);
    std::vector<const ControlDescription*> stops;
    for (const ControlDescription& c : form.controls) {
      if (c.tab == tab && c.tab_order >= 0) stops.push_back(&c);
    }
    std::sort(stops.begin(), stops.end(),
              [](auto* a, auto* b) { return a->tab_order < b->tab_order; });
    std::vector<QWidget*> expected;
    for (const ControlDescription* c : stops) {
      QWidget* widget = Find(c->name);
      const auto items = widget->findChildren<QRadioButton*>();
      if (items.isEmpty()) {
        expected.push_back(widget);
      } else {
        expected.insert(expected.end(), items.begin(), items.end());
      }
    }
    std::vector<QWidget*> chain;
    QWidget* widget = expected.front();
    do {
      if (std::find(expected.begin(), expected.end(), widget) != expected.end()) {
        chain.push_back(widget);
      }
      widget = widget->nextInFocusChain();
    } while (widget != expected.front());
    EXPECT_EQ(chain, expected);
  }
}

TEST_F(QtWindowTest, AbortButtonsStartDisabledAndOnlyClearTheirFlag) {
  TForm1& form = program_.Form();
  const std::vector<std::pair<std::string_view, bool*>> aborts = {
      {"SpeedButton_TurnProcess", &form.rotate_running},
      {"SpeedButton_RenameProcess", &form.rename_running},
      {"SpeedButton_ConversionProcess", &form.conversion_running}};
  for (const auto& [name, flag] : aborts) {
    SCOPED_TRACE(std::string(name));
    EXPECT_FALSE(Window().SpeedButton(name).Enabled());
    *flag = true;
    Window().SelectTab(Window().Tabs()->indexOf(Find(name)->parentWidget()));
    Click(name);
    EXPECT_TRUE(*flag) << "a disabled button took the click";

    Window().SpeedButton(name).SetEnabled(true);
    Window().SetStatusText("処理中 a.jpg");
    Click(name);
    EXPECT_FALSE(*flag);
    EXPECT_EQ(Window().StatusText(), "処理中 a.jpg");
    EXPECT_TRUE(Window().SpeedButton(name).Enabled());
  }
}

TEST_F(QtWindowTest, OnlyTheUsersTabSwitchClearsTheStatusText) {
  EXPECT_EQ(Window().ActiveTab(), 0);
  EXPECT_EQ(Window().StatusText(), "");

  Window().SetStatusText("Complete!");
  Window().SelectTab(2);
  EXPECT_EQ(Window().ActiveTab(), 2);
  EXPECT_EQ(Window().StatusText(), "Complete!");

  QTabBar* bar = Window().Tabs()->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(3).center());
  EXPECT_EQ(Window().ActiveTab(), 3);
  EXPECT_EQ(Window().StatusText(), "");
  EXPECT_EQ(Window().statusBar()->findChild<QLabel*>()->text(), "");
}

TEST_F(QtWindowTest, ShowingTheWindowSelectsTheFirstTab) {
  QtProgram second(temp_.File("Quillomark.exe"));
  second.Window().SelectTab(3);
  second.Show();
  EXPECT_EQ(second.Window().ActiveTab(), 0);
}

TEST_F(QtWindowTest, GetImagesListsTheTypedFolderIntoEditor1) {
  const std::string folder = temp_.Mkdir("写真");
  for (const char* name : {"a.jpg", "B.JPG", "c.jpeg", "夕焼け.Jpeg", "e.png", "m/b2.jpg"}) {
    temp_.Write(std::string("写真/") + name);
  }
  // Keys for the ASCII part; the Japanese name arrives as an input method would commit it.
  auto* source = Find<QLineEdit>("Edit_RotateSource");
  QTest::keyClicks(source, ToQString(temp_.Slash()));
  source->insert(ToQString("写真"));
  Click("SpeedButton_RotateGetImages");
  const std::string base = folder + "/";
  const std::vector<std::string> top = {base + "a.jpg", base + "B.JPG", base + "c.jpeg",
                                        base + "夕焼け.Jpeg"};
  EXPECT_EQ(Lines("Editor1"), top);

  QTest::mouseClick(Find("CheckBox_RotateSubFolder"), Qt::LeftButton);
  ASSERT_TRUE(Window().Check("CheckBox_RotateSubFolder").Checked());
  Click("SpeedButton_RotateGetImages");
  std::vector<std::string> all = top;
  all.insert(all.begin() + 3, base + "m/b2.jpg");
  EXPECT_EQ(Lines("Editor1"), all);
}

TEST_F(QtWindowTest, InvalidFolderReachesTheErrorBoxAndKeepsTheLines) {
  Window().Editor("Editor1").SetLines({"kept.jpg", "<b>also kept</b>"});
  const std::string missing = temp_.File("nowhere");
  Window().Edit("Edit_RotateSource").SetText(missing);

  bool shown = false;
  const auto answer = OnNextModal([&](QWidget& dialog) {
    auto* box = qobject_cast<QMessageBox*>(&dialog);
    shown = box != nullptr;
    if (box != nullptr) {
      EXPECT_EQ(box->icon(), QMessageBox::Critical);
      EXPECT_EQ(box->windowTitle(), "Quillomark");
      EXPECT_EQ(FromQString(box->text()), missing + "is Invalid.");
      EXPECT_EQ(box->parentWidget(), &Window());
    }
    dialog.close();
  });
  Click("SpeedButton_RotateGetImages");
  EXPECT_TRUE(shown);
  EXPECT_EQ(Lines("Editor1"), (std::vector<std::string>{"kept.jpg", "<b>also kept</b>"}));
  EXPECT_TRUE(Window().isVisible());
}

TEST_F(QtWindowTest, LongStatusTextDoesNotWidenTheWindow) {
  Window().SetStatusText("処理中 " + std::string(2000, 'x') + ".jpg");
  QCoreApplication::processEvents();
  EXPECT_EQ(Window().size(), QSize(703, 517));
  EXPECT_EQ(Window().minimumSizeHint().width() <= 703, true);
}

TEST_F(QtWindowTest, ClosingClearsTheRunningFlagsAndEndsTheWindow) {
  TForm1& form = program_.Form();
  form.rotate_running = form.rename_running = form.conversion_running = true;
  EXPECT_TRUE(Window().close());
  EXPECT_FALSE(Window().isVisible());
  EXPECT_FALSE(form.rotate_running);
  EXPECT_FALSE(form.rename_running);
  EXPECT_FALSE(form.conversion_running);
}

// A rename tab holding three listed files and an output folder, ready to run.
void PrepareRename(QtMainWindow& window, const TempDir& temp) {
  std::vector<std::string> lines;
  for (const char* name : {"in/a.jpg", "in/b.jpg", "in/c.jpg"})
    lines.push_back(temp.Write(name, name));
  window.Edit("Edit_RenameSource").SetText(temp.File("in"));
  window.Edit("Edit_RenameDest").SetText(temp.Mkdir("out") + "/");
  window.Editor("Editor3").SetLines(lines);
  window.SelectTab(2);
}

TEST_F(QtWindowTest, SecondExecuteClickWhileTheJobRunsIsIgnored) {
  PrepareRename(Window(), temp_);
  std::string status_after_second_click;
  // Runs inside the job's first message pump, as a user's click would.
  QTimer::singleShot(0, &Window(), [&] {
    Click("SpeedButton_RenameExecute");
    status_after_second_click = Window().StatusText();
  });
  Click("SpeedButton_RenameExecute");
  EXPECT_EQ(status_after_second_click, "処理中 " + temp_.File("in/a.jpg"));
  EXPECT_EQ(Window().StatusText(), "Complete!");
  EXPECT_EQ(testing::ReadFile(temp_.File("out/Img_0003.jpg")), "in/c.jpg");
  EXPECT_FALSE(std::filesystem::exists(temp_.File("out/Img_0004.jpg")));
}

TEST_F(QtWindowTest, ClosingDuringAJobSavesAtOnceAndEndsTheWindowAfterTheJob) {
  PrepareRename(Window(), temp_);
  bool closed_at_once = true;
  bool visible_during_job = false;
  bool saved_during_job = false;
  QTimer::singleShot(0, &Window(), [&] {
    closed_at_once = Window().close();
    visible_during_job = Window().isVisible();
    saved_during_job = std::filesystem::exists(temp_.File("Quillomark.ini"));
  });
  Click("SpeedButton_RenameExecute");
  EXPECT_FALSE(closed_at_once);
  EXPECT_TRUE(visible_during_job);
  EXPECT_TRUE(saved_during_job);
  EXPECT_EQ(Window().StatusText(), "中断されました。");
  EXPECT_FALSE(Window().SpeedButton("SpeedButton_RenameProcess").Enabled());
  QCoreApplication::processEvents();
  EXPECT_FALSE(Window().isVisible());
}

// The rotate job in the real window: progress in the status bar, the abort button clicked while
// the second file is announced, and a picture of the tab as the run leaves it.
TEST_F(QtWindowTest, RotateJobShowsItsProgressAndStopsBetweenTwoFiles) {
  std::vector<std::string> lines;
  for (const char* name : {"in/a.jpg", "in/b.jpg", "in/c.jpg"}) {
    lines.push_back(temp_.Write(name, testing::LibjpegEncode(testing::PhotoSamples(64, 48))));
  }
  const std::string out = temp_.Mkdir("out") + "/";
  Window().Edit("Edit_RotateSource").SetText(temp_.File("in") + "/");
  Window().Edit("Edit_RotateDest").SetText(out);
  Window().Editor("Editor1").SetLines(lines);
  Window().SelectTab(0);
  auto* status_bar = Find<QStatusBar>("StatusBar1");
  ASSERT_NE(status_bar, nullptr);
  std::vector<QString> shown;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    const QString text = status_bar->findChild<QLabel*>()->text();
    if (shown.empty() || shown.back() != text) shown.push_back(text);
    if (text == ToQString("処理中 " + lines[1]) && Find("SpeedButton_TurnProcess")->isEnabled()) {
      Click("SpeedButton_TurnProcess");
    }
  });
  watcher.start(0);
  Click("SpeedButton_RotateExecute");
  watcher.stop();

  EXPECT_EQ(shown.front(), ToQString("処理中 " + lines[0]));
  EXPECT_EQ(Window().StatusText(), "中断されました。");
  EXPECT_EQ(status_bar->findChild<QLabel*>()->text(), ToQString("中断されました。"));
  EXPECT_EQ(testing::LibjpegDecode(testing::ReadFile(out + "a.jpg")).width, 48);
  EXPECT_FALSE(std::filesystem::exists(out + "b.jpg"));
  EXPECT_FALSE(Find("SpeedButton_TurnProcess")->isEnabled());

  const std::filesystem::path folder = std::filesystem::path(QUILLO_BINARY_DIR) / "screenshots";
  std::filesystem::create_directories(folder);
  EXPECT_TRUE(
      Window().grab().toImage().save(ToQString((folder / "rotate-run.png").string()), "PNG"));
}

// The conversion job in the real window: progress in the status bar, the abort button clicked
// while the second file is announced, and a picture of its tab as the run leaves it.
TEST_F(QtWindowTest, ConversionJobShowsItsProgressAndStopsBetweenTwoFiles) {
  std::vector<std::string> lines;
  for (const char* name : {"in/a.jpg", "in/b.jpg", "in/c.jpg"}) {
    lines.push_back(temp_.Write(name, testing::LibjpegEncode(testing::PhotoSamples(64, 48))));
  }
  const std::string out = temp_.Mkdir("out") + "/";
  Window().Edit("Edit_ConversionSource").SetText(temp_.File("in") + "/");
  Window().Edit("Edit_ConversionDest").SetText(out);
  Window().Editor("Editor4").SetLines(lines);
  Window().Radio("RadioGroup_ConversionImageType").SetItemIndex(2);
  Window().SelectTab(3);
  auto* status_bar = Find<QStatusBar>("StatusBar1");
  ASSERT_NE(status_bar, nullptr);
  std::vector<QString> shown;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    const QString text = status_bar->findChild<QLabel*>()->text();
    if (shown.empty() || shown.back() != text) shown.push_back(text);
    if (text == ToQString("処理中 " + lines[1]) &&
        Find("SpeedButton_ConversionProcess")->isEnabled()) {
      Click("SpeedButton_ConversionProcess");
    }
  });
  watcher.start(0);
  Click("SpeedButton_ConversionExecute");
  watcher.stop();

  EXPECT_EQ(shown.front(), ToQString("処理中 " + lines[0]));
  EXPECT_EQ(status_bar->findChild<QLabel*>()->text(), ToQString("中断されました。"));
  EXPECT_TRUE(std::filesystem::exists(out + "a.tif"));
  EXPECT_FALSE(std::filesystem::exists(out + "b.tif"));
  EXPECT_FALSE(Find("SpeedButton_ConversionProcess")->isEnabled());

  const std::filesystem::path folder = std::filesystem::path(QUILLO_BINARY_DIR) / "screenshots";
  std::filesystem::create_directories(folder);
  EXPECT_TRUE(
      Window().grab().toImage().save(ToQString((folder / "conversion-run.png").string()), "PNG"));
}

}  // namespace
}  // namespace quillo
