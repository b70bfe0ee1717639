// The Qt message boxes: the icon, owner and text each kind of box gets.
#include "ui/qt/qt_message_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>

#include "qt_environment.h"
#include "ui/qt/native_text.h"

namespace quillo {
namespace {

using testing::OnNextModal;

TEST(QtMessageBoxTest, ErrorsShowOverTheWindowAndWarningsOnTheirOwn) {
  QWidget owner;
  QtMessageBoxSink sink(&owner);
  struct Case {
    TMessageIcon icon;
    QMessageBox::Icon shown;
    QWidget* parent;
  };
  for (const Case& c : {Case{miError, QMessageBox::Critical, &owner},
                        Case{miWarning, QMessageBox::Warning, nullptr}}) {
    SCOPED_TRACE(c.icon);
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString caption;
    QString text;
    QWidget* parent = &owner;
    Qt::TextFormat format = Qt::AutoText;
    const auto answer = OnNextModal([&](QWidget& dialog) {
      if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
        icon = box->icon();
        caption = box->windowTitle();
        text = box->text();
        parent = box->parentWidget();
        format = box->textFormat();
      }
      dialog.close();
    });
    // A path in a message is shown as written, never read as markup.
    sink.Show(c.icon, "Quillomark", "/写真/<b>夕焼け</b>.tif is Invalid.");
    EXPECT_EQ(icon, c.shown);
    EXPECT_EQ(caption, "Quillomark");
    EXPECT_EQ(FromQString(text), "/写真/<b>夕焼け</b>.tif is Invalid.");
    EXPECT_EQ(parent, c.parent);
    EXPECT_EQ(format, Qt::PlainText);
  }
}

// A remark on a file's data is for the shell front end: the window shows nothing and goes on.
TEST(QtMessageBoxTest, QuietWarningShowsNoBox) {
  QWidget owner;
  QtMessageBoxSink sink(&owner);
  bool shown = false;
  const auto answer = OnNextModal([&](QWidget& dialog) {
    shown = true;
    dialog.close();
  });
  sink.Show(miQuietWarning, "", "the data ends early; the rest of the picture is grey");
  QCoreApplication::processEvents();
  EXPECT_FALSE(shown);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
}  // namespace quillo
