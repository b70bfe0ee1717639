// The in-memory realisation of the main window: the form description's controls as plain state,
// with a test API to type, tick, pick, click, and watch the status text and the boxes shown.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/form_description.h"
#include "app/main_form.h"
#include "form/controls.h"
#include "platform/message_box.h"

namespace quillo {

class HeadlessEdit : public EditBox {
 public:
  explicit HeadlessEdit(std::string text) : text_(std::move(text)) {}
  std::string Text() const override { return text_; }
  void SetText(const std::string& text) override { text_ = text; }

 private:
  std::string text_;
};

class HeadlessCheck : public CheckBox {
 public:
  bool Checked() const override { return checked_; }
  void SetChecked(bool checked) override { checked_ = checked; }

 private:
  bool checked_ = false;
};

class HeadlessRadio : public RadioGroup {
 public:
  HeadlessRadio(int count, int index) : count_(count), index_(index) {}
  int ItemIndex() const override { return index_; }
  int ItemCount() const override { return count_; }

 protected:
  void SelectItem(int index) override { index_ = index; }

 private:
  int count_;
  int index_;
};

class HeadlessButton : public Button {
 public:
  explicit HeadlessButton(bool enabled) : enabled_(enabled) {}
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }

 private:
  bool enabled_;
};

class HeadlessEditor : public ListEditor {
 public:
  int LineCount() const override { return static_cast<int>(lines_.Count()); }
  std::string Line(int index) const override;  // std::out_of_range beyond the last line
  void ReplaceLines(TextLines lines) override { lines_ = std::move(lines); }
  void SetFocus() override { focused_ = true; }
  void MoveCaretToLine(int index) override { caret_line_ = index; }

  const TextLines& Lines() const { return lines_; }
  bool Focused() const { return focused_; }
  int CaretLine() const { return caret_line_; }

 private:
  TextLines lines_;
  bool focused_ = false;
  int caret_line_ = 0;
};

// Answers folder dialogs from a script, one answer per dialog, and records what each dialog was
// told to preselect. Each failure switch makes the next dialog fail at that step.
class ScriptedFolderBrowser : public FolderBrowser {
 public:
  struct Answer {
    bool chosen = false;
    std::optional<std::string> path;  // none: an item without a file-system path
    std::string display_name;
  };
  void ChooseNext(std::string path);
  void CancelNext();
  void Enqueue(Answer answer) { answers_.push_back(std::move(answer)); }

  bool fail_allocator = false;
  bool fail_desktop_folder = false;
  bool fail_display_name = false;

  // What the dialogs were told: the preselected path of each (empty when none), the status
  // texts, and every enabling (true) or disabling (false) of the OK button.
  std::vector<std::string> preselected;
  std::vector<std::string> status_texts;
  std::vector<bool> ok_changes;
  std::vector<BrowseRequest> requests;

  bool AcquireAllocator() override { return !fail_allocator; }
  bool OpenDesktopFolder() override { return !fail_desktop_folder; }
  bool ParseDisplayName(const std::string& path) override;
  bool AllocateDisplayName() override { return !fail_display_name; }
  BrowseResult Browse(const BrowseRequest& request) override;

 private:
  std::deque<Answer> answers_;
};

class HeadlessWindow : public MainWindow {
 public:
  explicit HeadlessWindow(const FormDescription& description = MainFormDescription());

  EditBox& Edit(std::string_view name) override { return *edits_.at(std::string(name)); }
  CheckBox& Check(std::string_view name) override { return *checks_.at(std::string(name)); }
  RadioGroup& Radio(std::string_view name) override { return *radios_.at(std::string(name)); }
  Button& SpeedButton(std::string_view name) override { return *buttons_.at(std::string(name)); }
  ListEditor& Editor(std::string_view name) override { return *editors_.at(std::string(name)); }
  HeadlessEditor& HeadlessEditorNamed(std::string_view name) {
    return *editors_.at(std::string(name));
  }

  std::string StatusText() const override { return status_; }
  void SetStatusText(const std::string& text) override;
  void Repaint() override { ++repaints_; }
  void ProcessMessages() override;
  void SelectTab(int index) override { active_tab_ = index; }
  int ActiveTab() const override { return active_tab_; }
  FolderBrowser& Browser() override { return browser_; }

  ScriptedFolderBrowser& Scripted() { return browser_; }
  const std::vector<std::string>& StatusHistory() const { return status_history_; }
  int Repaints() const { return repaints_; }
  int Pumps() const { return pumps_; }
  // Runs at every message pump, as if the user acted while a job runs.
  std::function<void()> pump_hook;
  // Runs with every status text set (the command-line front end prints them).
  std::function<void(const std::string&)> status_hook;

 private:
  std::map<std::string, std::unique_ptr<HeadlessEdit>> edits_;
  std::map<std::string, std::unique_ptr<HeadlessCheck>> checks_;
  std::map<std::string, std::unique_ptr<HeadlessRadio>> radios_;
  std::map<std::string, std::unique_ptr<HeadlessButton>> buttons_;
  std::map<std::string, std::unique_ptr<HeadlessEditor>> editors_;
  ScriptedFolderBrowser browser_;
  std::string status_;
  std::vector<std::string> status_history_;
  int active_tab_ = 0;
  int repaints_ = 0;
  int pumps_ = 0;
};

// A box shown through the message-box service.
struct ShownBox {
  TMessageIcon icon;
  std::string caption;
  std::string text;
};

// The whole program without a display: the window, TForm1 bound to it, and the message boxes.
class HeadlessApp : public MessageBoxSink {
 public:
  explicit HeadlessApp(std::string executable_path);
  ~HeadlessApp() override;

  TForm1& Form() { return *form_; }
  HeadlessWindow& Window() { return window_; }

  void Show() { form_->Dispatch(MainFormDescription().on_show); }
  void Close() { form_->RequestClose(); }

  // User actions by control name.
  void Type(std::string_view edit, const std::string& text) { window_.Edit(edit).SetText(text); }
  void Tick(std::string_view check, bool checked) { window_.Check(check).SetChecked(checked); }
  void Pick(std::string_view radio, int index) { window_.Radio(radio).SetItemIndex(index); }
  // Clicks a button; a disabled button ignores the click. Returns whether it was handled.
  bool Click(std::string_view button);
  // The user switching tabs (runs the tab-change handler).
  void SwitchTab(int index);

  std::string Text(std::string_view edit) { return window_.Edit(edit).Text(); }
  std::vector<std::string> Lines(std::string_view editor) {
    return window_.HeadlessEditorNamed(editor).Lines().ToVector();
  }
  void SetLines(std::string_view editor, const std::vector<std::string>& lines) {
    window_.Editor(editor).SetLines(lines);
  }
  std::string Status() const { return window_.StatusText(); }

  const std::vector<ShownBox>& Boxes() const { return boxes_; }
  void ClearBoxes() { boxes_.clear(); }
  // Runs for every box as it is shown, after it was recorded.
  std::function<void(const ShownBox& box)> box_hook;

  void Show(TMessageIcon icon, const std::string& caption, const std::string& text) override;

 private:
  HeadlessWindow window_;
  std::unique_ptr<TForm1> form_;
  std::vector<ShownBox> boxes_;
  ScopedMessageBoxSink sink_guard_;
};

}  // namespace quillo
