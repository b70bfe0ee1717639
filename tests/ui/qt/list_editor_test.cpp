// The list editor as a user drives it: lines in and out, keys, undo, the line-number bar, and
// dragging a selection.
#include "ui/qt/list_editor.h"

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "qt_environment.h"

namespace quillo {
namespace {

class ListEditorTest : public ::testing::Test {
 protected:
  ListEditorTest() : editor_(nullptr) {
    editor_.resize(530, 190);
    editor_.show();
  }

  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (int i = 0; i < editor_.LineCount(); ++i) lines.push_back(editor_.Line(i));
    return lines;
  }
  // The middle of the character at a text position, in viewport coordinates.
  QPoint PointAt(int position) {
    QTextCursor cursor(editor_.document());
    cursor.setPosition(position);
    const QRect caret = editor_.cursorRect(cursor);
    return {caret.left() + 2, caret.center().y()};
  }
  int LineStart(int line) { return editor_.document()->findBlockByNumber(line).position(); }
  QString Selected() const {
    return editor_.textCursor().selectedText().replace(QChar::ParagraphSeparator, '\n');
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(&editor_, key, modifiers);
  }

  TextListEditor editor_;
};

TEST_F(ListEditorTest, LinesComeBackAsTheyWereSetOrTyped) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"/写真/a.jpg"},
      {"a.jpg", "", "c.jpg"},
      {"a.jpg", ""},
      {"\t tabs and blanks \t"},
      {"/photos/\x95\x5c\xff/b.jpg", "/bad/\xe3\x81.jpg"},
  };
  for (const auto& lines : cases) {
    editor_.SetLines(lines);
    EXPECT_EQ(editor_.LineCount(), static_cast<int>(lines.size()));
    EXPECT_EQ(Lines(), lines);
  }
  EXPECT_THROW(editor_.Line(2), std::out_of_range);
  EXPECT_THROW(editor_.Line(-1), std::out_of_range);

  // Typed text counts its lines as a file does: a last line break opens no line.
  editor_.setPlainText("a.jpg\nb.jpg\n");
  EXPECT_EQ(Lines(), (std::vector<std::string>{"a.jpg", "b.jpg"}));
  editor_.setPlainText("a.jpg\nb.jpg");
  EXPECT_EQ(Lines(), (std::vector<std::string>{"a.jpg", "b.jpg"}));
}

// A whole listing in one go, sorted after it was gathered as a listing is, some lines holding
// double-byte text and bytes that are no UTF-8.
TEST_F(ListEditorTest, HundredThousandLinesGoInAtOnceAndComeBackEqual) {
  constexpr int kLines = 100000;
  std::vector<std::string> expected;
  TextLines lines;
  for (int i = 0; i < kLines; ++i) {
    const std::string folder = i % 10 == 0 ? "/写真/" : i % 10 == 1 ? "/raw\xff/" : "/photos/";
    expected.push_back(folder + std::to_string(i / 1000) + "/IMG_" + std::to_string(i) + ".JPG");
    lines.Append(expected.back());
  }
  lines.Sort(std::greater<>());
  std::sort(expected.begin(), expected.end(), std::greater<>());
  editor_.ReplaceLines(std::move(lines));
  EXPECT_EQ(editor_.LineCount(), kLines);
  EXPECT_EQ(Lines(), expected);
  editor_.MoveCaretToLine(kLines - 1);
  EXPECT_EQ(editor_.Line(editor_.textCursor().blockNumber()), expected.back());
}

TEST_F(ListEditorTest, TabKeyInsertsATabAndKeepsTheFocus) {
  editor_.SetLines({"a.jpg"});
  editor_.SetFocus();
  QApplication::setActiveWindow(&editor_);
  Key(Qt::Key_Tab);
  EXPECT_EQ(editor_.Line(0), "\ta.jpg");
  EXPECT_TRUE(editor_.hasFocus());
}

TEST_F(ListEditorTest, UndoGoesBackSixtyFourStepsAndMore) {
  editor_.SetLines({"base"});
  for (int i = 0; i < 70; ++i) {
    Key(Qt::Key_Home);
    Key(Qt::Key_X);
  }
  ASSERT_EQ(editor_.Line(0), std::string(70, 'x') + "base");
  for (int i = 0; i < 64; ++i) Key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(editor_.Line(0), std::string(6, 'x') + "base");
  for (int i = 0; i < 6; ++i) Key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(editor_.Line(0), "base");
}

TEST_F(ListEditorTest, LongLinesNeitherWrapNorGrowAHorizontalBar) {
  editor_.SetLines({std::string(400, 'a'), "b"});
  QCoreApplication::processEvents();
  EXPECT_EQ(editor_.document()->firstBlock().layout()->lineCount(), 1);
  EXPECT_FALSE(editor_.horizontalScrollBar()->isVisible());
  EXPECT_TRUE(editor_.verticalScrollBar()->isVisible());
}

TEST_F(ListEditorTest, LineNumberBarIsFourDigitsWideUntilMoreAreNeeded) {
  editor_.SetLines({"a"});
  const int narrow = editor_.LineNumberWidth();
  EXPECT_GE(narrow, 4 * editor_.fontMetrics().horizontalAdvance('9'));
  EXPECT_EQ(editor_.LineNumbers()->width(), narrow);
  EXPECT_EQ(editor_.viewport()->geometry().left(), editor_.LineNumbers()->geometry().right() + 1);

  editor_.SetLines(std::vector<std::string>(9998, "a"));  // 9999 numbered rows with the last
  EXPECT_EQ(editor_.LineNumberWidth(), narrow);
  editor_.SetLines(std::vector<std::string>(9999, "a"));
  EXPECT_GT(editor_.LineNumberWidth(), narrow);
  EXPECT_EQ(editor_.LineNumbers()->width(), editor_.LineNumberWidth());
}

TEST_F(ListEditorTest, ClickingTheLineNumberBarSelectsWholeLines) {
  editor_.SetLines({"alpha", "beta", "gamma"});
  QWidget* bar = editor_.LineNumbers();
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(4, PointAt(LineStart(1)).y()));
  EXPECT_EQ(Selected(), "beta\n");

  // Dragging upwards over the bar from the last line to the first selects all three.
  QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(4, PointAt(LineStart(2)).y()));
  QTest::mouseMove(bar, QPoint(4, PointAt(LineStart(0)).y()));
  QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(4, PointAt(LineStart(0)).y()));
  EXPECT_EQ(Selected(), "alpha\nbeta\ngamma\n");
  EXPECT_EQ(editor_.textCursor().position(), 0);
}

TEST_F(ListEditorTest, DraggingASelectionMovesItInOneUndoStep) {
  editor_.SetLines({"alpha", "beta", "gamma"});
  QWidget* view = editor_.viewport();
  QTest::mouseClick(editor_.LineNumbers(), Qt::LeftButton, {}, QPoint(4, PointAt(0).y()));
  ASSERT_EQ(Selected(), "alpha\n");

  QTest::mousePress(view, Qt::LeftButton, {}, PointAt(2));
  QTest::mouseMove(view, PointAt(LineStart(2)) + QPoint(0, 1));
  QTest::mouseRelease(view, Qt::LeftButton, {}, PointAt(LineStart(2)) - QPoint(2, 0));
  EXPECT_EQ(Lines(), (std::vector<std::string>{"beta", "alpha", "gamma"}));
  EXPECT_EQ(Selected(), "alpha\n");

  Key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"alpha", "beta", "gamma"}));

  // A press in the selection that does not move only places the caret.
  QTest::mouseClick(editor_.LineNumbers(), Qt::LeftButton, {}, QPoint(4, PointAt(0).y()));
  QTest::mouseClick(view, Qt::LeftButton, {}, PointAt(2));
  EXPECT_FALSE(editor_.textCursor().hasSelection());
  EXPECT_EQ(editor_.textCursor().position(), 2);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"alpha", "beta", "gamma"}));
}

TEST_F(ListEditorTest, MoveCaretToLineStaysInsideTheText) {
  editor_.SetLines({"a", "b", "c"});
  editor_.MoveCaretToLine(2);
  EXPECT_EQ(editor_.textCursor().blockNumber(), 2);
  editor_.MoveCaretToLine(50);
  EXPECT_EQ(editor_.textCursor().blockNumber(), editor_.document()->blockCount() - 1);
  editor_.MoveCaretToLine(-1);
  EXPECT_EQ(editor_.textCursor().blockNumber(), 0);
  editor_.SetLines({});
  editor_.MoveCaretToLine(editor_.LineCount() - 1);
  EXPECT_EQ(editor_.textCursor().position(), 0);
}

// What the user sees: the selection in white on navy, the caret row underlined and the end of
// the text marked, both in grey.
TEST_F(ListEditorTest, PaintsSelectionAndMarksInTheirColours) {
  editor_.SetLines({"abc", "def"});
  QTextCursor cursor(editor_.document());
  cursor.setPosition(3, QTextCursor::KeepAnchor);
  editor_.setTextCursor(cursor);
  const QImage view = editor_.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);

  const QRect first = editor_.cursorRect(cursor);
  bool navy = false;
  bool white_on_navy = false;
  for (int x = 0; x < first.left(); ++x) {
    const QRgb pixel = view.pixel(x, first.center().y() - 1);
    navy = navy || pixel == qRgb(0, 0, 128);
    white_on_navy = white_on_navy || pixel == qRgb(255, 255, 255);
  }
  EXPECT_TRUE(navy);
  EXPECT_TRUE(white_on_navy);

  EXPECT_EQ(view.pixel(view.width() - 3, first.bottom()), qRgb(128, 128, 128));
  EXPECT_EQ(view.pixel(view.width() - 3, first.bottom() - 2), qRgb(255, 255, 255));

  // The end mark stands on the row after the last line, right of where its text would begin.
  const QRect last = editor_.cursorRect(QTextCursor(editor_.document()->lastBlock()));
  bool grey = false;
  for (int x = last.left(); x < last.left() + 40; ++x) {
    for (int y = last.top(); y < last.bottom() - 1; ++y) {
      const QColor pixel(view.pixel(x, y));
      grey = grey || (pixel.red() == pixel.blue() && pixel.red() > 60 && pixel.red() < 200);
    }
  }
  EXPECT_TRUE(grey);
}

}  // namespace
}  // namespace quillo
