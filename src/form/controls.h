// The abstract controls and window that TForm1 works with; each host realises them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "form/text_lines.h"
#include "platform/folder_browser.h"

namespace quillo {

class EditBox {
 public:
  virtual ~EditBox() = default;
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& text) = 0;
};

class CheckBox {
 public:
  virtual ~CheckBox() = default;
  virtual bool Checked() const = 0;
  virtual void SetChecked(bool checked) = 0;
};

class RadioGroup {
 public:
  virtual ~RadioGroup() = default;
  virtual int ItemIndex() const = 0;  // -1 when nothing is selected
  virtual int ItemCount() const = 0;
  // Clamps: below -1 selects nothing, beyond the last item selects the last item.
  void SetItemIndex(int index);

 protected:
  virtual void SelectItem(int index) = 0;
};

class Button {
 public:
  virtual ~Button() = default;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
};

// The line-numbered list editor that holds a tab's image list.
class ListEditor {
 public:
  virtual ~ListEditor() = default;
  virtual int LineCount() const = 0;
  virtual std::string Line(int index) const = 0;
  // Replaces every line by the given ones, taking them over.
  virtual void ReplaceLines(TextLines lines) = 0;
  void SetLines(const std::vector<std::string>& lines) { ReplaceLines(TextLines(lines)); }
  virtual void SetFocus() = 0;
  virtual void MoveCaretToLine(int index) = 0;
};

// Line index of the editor, or EListError when the list no longer reaches that far (a listing
// run from a job's message pump can shorten it).
std::string CheckedLine(const ListEditor& editor, int index);

class MainWindow {
 public:
  virtual ~MainWindow() = default;
  // Controls by their form names; an unknown name is a programming error (std::out_of_range).
  virtual EditBox& Edit(std::string_view name) = 0;
  virtual CheckBox& Check(std::string_view name) = 0;
  virtual RadioGroup& Radio(std::string_view name) = 0;
  virtual Button& SpeedButton(std::string_view name) = 0;
  virtual ListEditor& Editor(std::string_view name) = 0;

  virtual std::string StatusText() const = 0;
  virtual void SetStatusText(const std::string& text) = 0;
  // Repaints the invalid regions at once.
  virtual void Repaint() = 0;
  // Handles every pending window message (clicks included) and returns.
  virtual void ProcessMessages() = 0;
  // Selecting from code does not count as the user switching tabs.
  virtual void SelectTab(int index) = 0;
  virtual int ActiveTab() const = 0;
  virtual FolderBrowser& Browser() = 0;
};

}  // namespace quillo
