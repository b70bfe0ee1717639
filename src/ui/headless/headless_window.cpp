#include "ui/headless/headless_window.h"

#include <stdexcept>

#include "platform/file_system.h"
#include "platform/path.h"

namespace quillo {
namespace {

// Records the control messages a folder dialog receives.
class RecordingDialog : public BrowseDialogWindow {
 public:
  explicit RecordingDialog(ScriptedFolderBrowser& owner) : owner_(owner) {}
  void SetSelection(const std::string& path) override { selection = path; }
  void SetStatusText(const std::string& text) override { owner_.status_texts.push_back(text); }
  void EnableOk(bool enabled) override { owner_.ok_changes.push_back(enabled); }

  std::string selection;

 private:
  ScriptedFolderBrowser& owner_;
};

}  // namespace

std::string HeadlessEditor::Line(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= lines_.Count()) {
    throw std::out_of_range("no such line");
  }
  return std::string(lines_[static_cast<size_t>(index)]);
}

void ScriptedFolderBrowser::ChooseNext(std::string path) {
  const std::string name = ExtractFileName(path);
  answers_.push_back({true, std::move(path), name});
}

void ScriptedFolderBrowser::CancelNext() { answers_.push_back({}); }

bool ScriptedFolderBrowser::ParseDisplayName(const std::string& path) {
  return DirectoryExists(path);
}

BrowseResult ScriptedFolderBrowser::Browse(const BrowseRequest& request) {
  requests.push_back(request);
  RecordingDialog dialog(*this);
  if (request.callback) request.callback(dialog, beInitialized, "");
  preselected.push_back(dialog.selection);

  Answer answer;
  if (!answers_.empty()) {
    answer = std::move(answers_.front());
    answers_.pop_front();
  }
  if (!answer.chosen) return {};
  if (request.callback) request.callback(dialog, beSelectionChanged, answer.path.value_or(""));
  return {true, answer.display_name, answer.path};
}

HeadlessWindow::HeadlessWindow(const FormDescription& description) {
  for (const ControlDescription& c : description.controls) {
    const std::string name(c.name);
    switch (c.kind) {
      case ckEdit:
        edits_[name] = std::make_unique<HeadlessEdit>(std::string(c.text));
        break;
      case ckCheckBox:
        checks_[name] = std::make_unique<HeadlessCheck>();
        break;
      case ckRadioGroup:
        radios_[name] =
            std::make_unique<HeadlessRadio>(static_cast<int>(c.items.size()), c.item_index);
        break;
      case ckButton:
        buttons_[name] = std::make_unique<HeadlessButton>(c.enabled);
        break;
      case ckListEditor:
        editors_[name] = std::make_unique<HeadlessEditor>();
        break;
      case ckLabel:
        break;
    }
  }
}

void HeadlessWindow::SetStatusText(const std::string& text) {
  status_ = text;
  status_history_.push_back(text);
  if (status_hook) status_hook(text);
}

void HeadlessWindow::ProcessMessages() {
  ++pumps_;
  if (pump_hook) pump_hook();
}

HeadlessApp::HeadlessApp(std::string executable_path)
    : form_(std::make_unique<TForm1>(window_, std::move(executable_path))), sink_guard_(*this) {}

HeadlessApp::~HeadlessApp() = default;

bool HeadlessApp::Click(std::string_view button) {
  if (!window_.SpeedButton(button).Enabled()) return false;
  const ControlDescription* control = MainFormDescription().Find(button);
  if (control == nullptr) return false;
  form_->Dispatch(control->handler);
  return true;
}

void HeadlessApp::SwitchTab(int index) {
  window_.SelectTab(index);
  form_->Dispatch(MainFormDescription().on_tab_change);
}

void HeadlessApp::Show(TMessageIcon icon, const std::string& caption, const std::string& text) {
  boxes_.push_back({icon, caption, text});
  if (box_hook) box_hook(boxes_.back());
}

}  // namespace quillo
