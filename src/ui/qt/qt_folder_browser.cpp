#include "ui/qt/qt_folder_browser.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <exception>
#include <optional>

#include "platform/file_system.h"
#include "ui/qt/native_text.h"

namespace quillo {
namespace {

// The open dialog as the request's callback drives it. An OK state the callback sets holds
// until the selection changes, however the dialog itself would update its button meanwhile.
class DialogControls : public QObject, public BrowseDialogWindow {
 public:
  DialogControls(QFileDialog& dialog, QLabel& status) : dialog_(dialog), status_(status) {
    if (const auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
      for (QAbstractButton* button : buttons->buttons()) {
        if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole) ok_ = button;
      }
    }
    if (ok_ != nullptr) ok_->installEventFilter(this);
  }

  void SetSelection(const std::string& path) override { dialog_.setDirectory(ToQString(path)); }
  void SetStatusText(const std::string& text) override { status_.setText(ToQString(text)); }
  void EnableOk(bool enabled) override {
    ok_state_ = enabled;
    if (ok_ != nullptr) ok_->setEnabled(enabled);
  }
  void ReleaseOk() { ok_state_.reset(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == ok_ && event->type() == QEvent::EnabledChange && ok_state_ &&
        ok_->isEnabled() != *ok_state_) {
      ok_->setEnabled(*ok_state_);
    }
    return false;
  }

 private:
  QFileDialog& dialog_;
  QLabel& status_;
  QAbstractButton* ok_ = nullptr;
  std::optional<bool> ok_state_;
};

}  // namespace

bool QtFolderBrowser::ParseDisplayName(const std::string& path) { return DirectoryExists(path); }

BrowseResult QtFolderBrowser::Browse(const BrowseRequest& request) {
  QFileDialog dialog(owner_, ToQString(request.title));
  dialog.setObjectName("BrowseDialog");
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.setFileMode(QFileDialog::Directory);
  // Qt's own dialog, so that its status line and accept button can be reached.
  dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  if (request.root) dialog.setDirectory(ToQString(*request.root));

  auto* status = new QLabel(&dialog);
  status->setObjectName("BrowseStatus");
  status->setTextFormat(Qt::PlainText);
  status->setVisible((request.flags & kBrowseStatusTextFlag) != 0);
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
    grid->addWidget(status, grid->rowCount(), 0, 1, grid->columnCount());
  }

  DialogControls controls(dialog, *status);
  std::exception_ptr failure;
  const auto notify = [&](int event, const QString& path) {
    if (!request.callback || failure) return;
    try {
      request.callback(controls, event, FromQString(path));
    } catch (...) {
      failure = std::current_exception();
      dialog.reject();
    }
  };
  // The folder the dialog would return: the highlighted one, else the one it shows.
  const auto selection_changed = [&](const QString& path) {
    controls.ReleaseOk();
    notify(beSelectionChanged, path.isEmpty() ? dialog.directory().absolutePath() : path);
  };
  QObject::connect(&dialog, &QFileDialog::currentChanged, &dialog, selection_changed);
  QObject::connect(&dialog, &QFileDialog::directoryEntered, &dialog, selection_changed);
  // Runs once the dialog's own event loop has started, that is when it is open.
  QTimer::singleShot(0, &dialog, [&] { notify(beInitialized, QString()); });

  const int answer = dialog.exec();
  if (failure) std::rethrow_exception(failure);
  if (answer != QDialog::Accepted) return {};

  const QString chosen = dialog.selectedFiles().value(0);
  if (chosen.isEmpty()) return {true, {}, std::nullopt};
  const QString name = QFileInfo(chosen).fileName();
  return {true, FromQString(name.isEmpty() ? chosen : name), FromQString(chosen)};
}

}  // namespace quillo
