#include "ui/qt/qt_controls.h"

#include <QButtonGroup>
#include <QPainter>
#include <QRadioButton>
#include <algorithm>

#include "platform/translation.h"
#include "ui/qt/native_text.h"

namespace quillo {

QtEditBox::QtEditBox(QWidget* parent) : QLineEdit(parent) {}

std::string QtEditBox::Text() const { return FromQString(text()); }

void QtEditBox::SetText(const std::string& text) { setText(ToQString(text)); }

QtCheckBox::QtCheckBox(QWidget* parent) : QCheckBox(parent) {}

QtRadioGroup::QtRadioGroup(QWidget* parent, const QString& caption,
                           const std::vector<std::string_view>& items, int columns)
    : QWidget(parent),
      caption_(caption),
      group_(new QButtonGroup(this)),
      columns_(std::max(columns, 1)) {
  for (size_t i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(ToQString(Translate(items[i])), this);
    group_->addButton(button, static_cast<int>(i));
    buttons_.push_back(button);
  }
}

int QtRadioGroup::ItemIndex() const { return group_->checkedId(); }

void QtRadioGroup::SelectItem(int index) {
  if (index >= 0 && index < ItemCount()) {
    buttons_[static_cast<size_t>(index)]->setChecked(true);
    return;
  }
  // An exclusive group refuses to clear its last checked button.
  group_->setExclusive(false);
  for (QRadioButton* button : buttons_) button->setChecked(false);
  group_->setExclusive(true);
}

void QtRadioGroup::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QFontMetrics metrics(font());
  // An etched frame whose top edge runs through the middle of the caption.
  const QRect frame = rect().adjusted(0, metrics.height() / 2, -2, -2);
  painter.setPen(palette().color(QPalette::Light));
  painter.drawRect(frame.translated(1, 1));
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(frame);
  if (caption_.isEmpty()) return;
  const QRect label(8, 0, metrics.horizontalAdvance(caption_) + 4, metrics.height());
  painter.fillRect(label, palette().window());
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(label, Qt::AlignCenter, caption_);
}

void QtRadioGroup::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ArrangeButtons();
}

void QtRadioGroup::ArrangeButtons() {
  if (buttons_.empty()) return;
  const int count = ItemCount();
  const int per_column = (count + columns_ - 1) / columns_;
  const int caption_height = fontMetrics().height();
  const int column_width = (width() - 10) / columns_;
  const int space = height() - caption_height - 5;
  const int row_height = space / per_column;
  const int top = caption_height + 1 + (space % per_column) / 2;
  for (int i = 0; i < count; ++i) {
    buttons_[static_cast<size_t>(i)]->setGeometry((i / per_column) * column_width + 8,
                                                  (i % per_column) * row_height + top, column_width,
                                                  row_height);
  }
}

QtSpeedButton::QtSpeedButton(QWidget* parent) : QPushButton(parent) { setFocusPolicy(Qt::NoFocus); }

}  // namespace quillo
