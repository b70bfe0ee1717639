// The window's simple controls as Qt widgets that TForm1 reaches through the abstract controls.
#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <string>
#include <string_view>
#include <vector>

#include "form/controls.h"

class QButtonGroup;
class QRadioButton;

namespace quillo {

class QtEditBox : public QLineEdit, public EditBox {
  Q_OBJECT

 public:
  explicit QtEditBox(QWidget* parent);
  std::string Text() const override;
  void SetText(const std::string& text) override;
};

class QtCheckBox : public QCheckBox, public CheckBox {
  Q_OBJECT

 public:
  explicit QtCheckBox(QWidget* parent);
  bool Checked() const override { return isChecked(); }
  void SetChecked(bool checked) override { setChecked(checked); }
};

// A framed group of radio buttons with its caption on the frame's top edge, laid out in columns
// filled one after the other, the items sharing the space below the caption evenly.
class QtRadioGroup : public QWidget, public RadioGroup {
  Q_OBJECT

 public:
  QtRadioGroup(QWidget* parent, const QString& caption, const std::vector<std::string_view>& items,
               int columns);
  int ItemIndex() const override;
  int ItemCount() const override { return static_cast<int>(buttons_.size()); }
  const QString& Caption() const { return caption_; }
  const std::vector<QRadioButton*>& Buttons() const { return buttons_; }

 protected:
  void SelectItem(int index) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ArrangeButtons();

  QString caption_;
  QButtonGroup* group_;
  std::vector<QRadioButton*> buttons_;
  int columns_;
};

// A push button that never takes the keyboard focus.
class QtSpeedButton : public QPushButton, public Button {
  Q_OBJECT

 public:
  explicit QtSpeedButton(QWidget* parent);
  bool Enabled() const override { return isEnabled(); }
  void SetEnabled(bool enabled) override { setEnabled(enabled); }
};

}  // namespace quillo
