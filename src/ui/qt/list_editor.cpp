#include "ui/qt/list_editor.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QTextBlock>
#include <algorithm>
#include <stdexcept>

#include "ui/qt/native_text.h"

namespace quillo {
namespace {

constexpr int kFontPixels = 12;
// Japanese text in a fixed-pitch face too, so that columns line up.
constexpr char kJapaneseFixedFamily[] = "IPAGothic";
constexpr int kMinimumDigits = 4;
constexpr int kBarPadding = 4;
constexpr int kTabStopChars = 8;
constexpr QRgb kMarkColor = qRgb(128, 128, 128);
constexpr QRgb kSelectionBackground = qRgb(0, 0, 128);
constexpr char kEndOfTextMark[] = "[EOF]";

// A down arrow that turns left at its foot, as wide as a character.
void DrawLineEndMark(QPainter& painter, qreal x, qreal top, qreal height, qreal char_width) {
  const qreal left = x + char_width * 0.1;
  const qreal right = x + char_width * 0.7;
  const qreal foot = top + height * 0.75;
  const qreal head = char_width * 0.3;
  painter.drawLine(QPointF(right, top + height * 0.25), QPointF(right, foot));
  painter.drawLine(QPointF(right, foot), QPointF(left, foot));
  painter.drawLine(QPointF(left, foot), QPointF(left + head, foot - head));
  painter.drawLine(QPointF(left, foot), QPointF(left + head, foot + head));
}

}  // namespace

// The bar left of the text: paints the line numbers and selects the lines clicked or dragged
// over.
class LineNumberBar : public QWidget {
 public:
  explicit LineNumberBar(TextListEditor* editor) : QWidget(editor), editor_(editor) {
    setObjectName("LineNumbers");
  }
  QSize sizeHint() const override { return {editor_->LineNumberWidth(), 0}; }

 protected:
  void paintEvent(QPaintEvent* event) override { editor_->PaintLineNumbers(event); }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) return;
    const int y = event->position().toPoint().y();
    editor_->bar_anchor_line_ = editor_->cursorForPosition(QPoint(0, y)).blockNumber();
    editor_->SelectLinesTo(y);
    editor_->setFocus(Qt::MouseFocusReason);
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    if ((event->buttons() & Qt::LeftButton) && editor_->bar_anchor_line_ >= 0) {
      editor_->SelectLinesTo(event->position().toPoint().y());
    }
  }
  void mouseReleaseEvent(QMouseEvent*) override { editor_->bar_anchor_line_ = -1; }

 private:
  TextListEditor* editor_;
};

TextListEditor::TextListEditor(QWidget* parent)
    : QPlainTextEdit(parent), bar_(new LineNumberBar(this)) {
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setTabChangesFocus(false);
  setUndoRedoEnabled(true);

  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setStyleHint(QFont::TypeWriter);
  fixed.setFixedPitch(true);
  fixed.setFamilies({QFontInfo(fixed).family(), kJapaneseFixedFamily});
  fixed.setPixelSize(kFontPixels);
  // Crisp strokes, as a bitmap terminal face has; thin marks such as "_" stay black.
  fixed.setStyleStrategy(QFont::NoAntialias);
  setFont(fixed);
  bar_->setFont(fixed);
  setTabStopDistance(kTabStopChars * QFontMetricsF(fixed).horizontalAdvance(' '));

  QPalette colours = palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    colours.setColor(group, QPalette::Text, Qt::black);
    colours.setColor(group, QPalette::Base, Qt::white);
    colours.setColor(group, QPalette::Highlight, QColor(kSelectionBackground));
    colours.setColor(group, QPalette::HighlightedText, Qt::white);
  }
  setPalette(colours);

  connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { UpdateMargins(); });
  connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& rect, int dy) {
    if (dy != 0) {
      bar_->scroll(0, dy);
    } else {
      bar_->update(0, rect.y(), bar_->width(), rect.height());
    }
  });
  // The caret row's underline moves with the caret.
  connect(this, &QPlainTextEdit::cursorPositionChanged, viewport(), qOverload<>(&QWidget::update));
  UpdateMargins();
}

int TextListEditor::LineCount() const {
  const QTextDocument* text = document();
  const bool ends_empty = text->lastBlock().length() <= 1;
  return text->blockCount() - (ends_empty ? 1 : 0);
}

std::string TextListEditor::Line(int index) const {
  if (index < 0 || index >= LineCount()) throw std::out_of_range("no such line");
  return FromQString(document()->findBlockByNumber(index).text());
}

void TextListEditor::ReplaceLines(TextLines lines) {
  // One text for the whole list, which the document splits into blocks in one pass. Every line
  // ends in a break, so that a last empty line survives the round trip.
  QString text;
  text.reserve(static_cast<qsizetype>(lines.Bytes() + lines.Count()));
  for (size_t i = 0; i < lines.Count(); ++i) {
    AppendToQString(text, lines[i]);
    text += QChar('\n');
  }
  setPlainText(text);
}

void TextListEditor::MoveCaretToLine(int index) {
  const int last = document()->blockCount() - 1;
  QTextCursor caret(document()->findBlockByNumber(std::clamp(index, 0, last)));
  setTextCursor(caret);
  ensureCursorVisible();
}

QWidget* TextListEditor::LineNumbers() const { return bar_; }

int TextListEditor::LineNumberWidth() const {
  int digits = 1;
  for (int lines = document()->blockCount(); lines >= 10; lines /= 10) ++digits;
  const int width = QFontMetrics(bar_->font()).horizontalAdvance(QChar('9'));
  return 2 * kBarPadding + std::max(digits, kMinimumDigits) * width + 1;
}

void TextListEditor::UpdateMargins() {
  setViewportMargins(LineNumberWidth(), 0, 0, 0);
  const QRect area = contentsRect();
  bar_->setGeometry(area.left(), area.top(), LineNumberWidth(), area.height());
}

void TextListEditor::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  UpdateMargins();
}

void TextListEditor::PaintLineNumbers(QPaintEvent* event) {
  QPainter painter(bar_);
  painter.fillRect(event->rect(), palette().color(QPalette::Button));
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawLine(bar_->width() - 1, event->rect().top(), bar_->width() - 1,
                   event->rect().bottom());
  painter.setPen(Qt::black);

  const int number_width = bar_->width() - kBarPadding - 1;
  const int line_height = QFontMetrics(bar_->font()).height();
  QTextBlock block = firstVisibleBlock();
  int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
  while (block.isValid() && top <= event->rect().bottom()) {
    const int bottom = top + qRound(blockBoundingRect(block).height());
    if (block.isVisible() && bottom >= event->rect().top()) {
      painter.drawText(0, top, number_width, line_height, Qt::AlignRight,
                       QString::number(block.blockNumber() + 1));
    }
    block = block.next();
    top = bottom;
  }
}

void TextListEditor::PaintMarks() {
  QPainter painter(viewport());
  painter.setPen(QColor(kMarkColor));
  painter.setFont(font());
  const qreal char_width = QFontMetricsF(font()).horizontalAdvance(QChar('0'));
  const QPointF offset = contentOffset();
  for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
    const QRectF box = blockBoundingGeometry(block).translated(offset);
    if (box.top() > viewport()->height()) break;
    const QTextLayout* layout = block.layout();
    if (!block.isVisible() || layout == nullptr || layout->lineCount() == 0) continue;
    const QTextLine line = layout->lineAt(layout->lineCount() - 1);
    const qreal x = box.left() + line.x() + line.naturalTextWidth() + 2;
    const qreal top = box.top() + line.y();
    if (block.next().isValid()) {
      DrawLineEndMark(painter, x, top, line.height(), char_width);
    } else {
      painter.drawText(QPointF(x, top + line.ascent()), kEndOfTextMark);
    }
  }

  // Darkening only: the underline never hides the strokes of the text it runs under.
  painter.setCompositionMode(QPainter::CompositionMode_Darken);
  const int underline = cursorRect().bottom();
  painter.drawLine(0, underline, viewport()->width(), underline);
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);

  if (dragging_selection_ && drop_position_ >= 0) {
    QTextCursor drop(document());
    drop.setPosition(drop_position_);
    const QRect at = cursorRect(drop);
    painter.setPen(Qt::black);
    painter.drawLine(at.topLeft(), at.bottomLeft());
  }
}

void TextListEditor::paintEvent(QPaintEvent* event) {
  QPlainTextEdit::paintEvent(event);
  PaintMarks();
}

void TextListEditor::SelectLinesTo(int y) {
  const QTextBlock anchor = document()->findBlockByNumber(bar_anchor_line_);
  const QTextBlock current = cursorForPosition(QPoint(0, y)).block();
  if (!anchor.isValid() || !current.isValid()) return;
  const bool downwards = current.blockNumber() >= anchor.blockNumber();
  const QTextBlock first = downwards ? anchor : current;
  const QTextBlock last = downwards ? current : anchor;
  // A selected line takes its line break with it, so that moving it moves a whole line.
  const int end =
      last.next().isValid() ? last.next().position() : last.position() + last.length() - 1;
  QTextCursor selection(document());
  selection.setPosition(downwards ? first.position() : end);
  selection.setPosition(downwards ? end : first.position(), QTextCursor::KeepAnchor);
  setTextCursor(selection);
}

void TextListEditor::MoveSelectionTo(int position) {
  QTextCursor cursor = textCursor();
  const int start = cursor.selectionStart();
  const int end = cursor.selectionEnd();
  if (position >= start && position <= end) return;
  const QString text = cursor.selectedText().replace(QChar::ParagraphSeparator, QChar('\n'));
  const int target = position > end ? position - (end - start) : position;
  cursor.beginEditBlock();
  cursor.removeSelectedText();
  cursor.setPosition(target);
  cursor.insertText(text);
  cursor.endEditBlock();
  cursor.setPosition(target);
  cursor.setPosition(target + static_cast<int>(text.size()), QTextCursor::KeepAnchor);
  setTextCursor(cursor);
}

void TextListEditor::mousePressEvent(QMouseEvent* event) {
  const QTextCursor cursor = textCursor();
  if (event->button() == Qt::LeftButton && event->modifiers() == Qt::NoModifier &&
      cursor.hasSelection()) {
    const QPoint point = event->position().toPoint();
    const int position = cursorForPosition(point).position();
    if (position >= cursor.selectionStart() && position < cursor.selectionEnd()) {
      pressed_in_selection_ = true;
      press_point_ = point;
      return;
    }
  }
  QPlainTextEdit::mousePressEvent(event);
}

void TextListEditor::mouseMoveEvent(QMouseEvent* event) {
  if (!pressed_in_selection_) {
    QPlainTextEdit::mouseMoveEvent(event);
    return;
  }
  const QPoint point = event->position().toPoint();
  if ((point - press_point_).manhattanLength() >= QApplication::startDragDistance()) {
    dragging_selection_ = true;
  }
  if (dragging_selection_) {
    drop_position_ = cursorForPosition(point).position();
    viewport()->update();
  }
}

void TextListEditor::mouseReleaseEvent(QMouseEvent* event) {
  if (!pressed_in_selection_) {
    QPlainTextEdit::mouseReleaseEvent(event);
    return;
  }
  const int position = cursorForPosition(event->position().toPoint()).position();
  if (dragging_selection_) {
    MoveSelectionTo(position);
  } else {
    QTextCursor caret = textCursor();
    caret.setPosition(position);
    setTextCursor(caret);
  }
  pressed_in_selection_ = false;
  dragging_selection_ = false;
  drop_position_ = -1;
  viewport()->update();
}

}  // namespace quillo
