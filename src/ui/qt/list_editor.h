// The line-numbered text editor that holds a tab's image list: no wrap, a four-digit line-number
// bar that selects lines when clicked, selections that move when dragged, and grey marks for
// line ends, the end of the text and the caret's row.
#pragma once

#include <QPlainTextEdit>
#include <string>

#include "form/controls.h"

namespace quillo {

class LineNumberBar;

class TextListEditor : public QPlainTextEdit, public ListEditor {
  Q_OBJECT

 public:
  explicit TextListEditor(QWidget* parent);

  // A text that ends in a line break has no empty line after it; an empty text has no lines.
  int LineCount() const override;
  std::string Line(int index) const override;  // std::out_of_range beyond the last line
  void ReplaceLines(TextLines lines) override;
  void SetFocus() override { setFocus(Qt::OtherFocusReason); }
  void MoveCaretToLine(int index) override;

  QWidget* LineNumbers() const;
  int LineNumberWidth() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  friend class LineNumberBar;

  void PaintLineNumbers(QPaintEvent* event);
  void PaintMarks();
  // Selects whole lines from the anchor line to the line at the bar's height y.
  void SelectLinesTo(int y);
  void MoveSelectionTo(int position);
  void UpdateMargins();

  LineNumberBar* bar_;
  int bar_anchor_line_ = -1;
  // A press inside the selection either drags it (once the mouse moves far enough) or, when
  // released in place, just places the caret.
  bool pressed_in_selection_ = false;
  bool dragging_selection_ = false;
  QPoint press_point_;
  int drop_position_ = -1;
};

}  // namespace quillo
