#include "ui/qt/qt_message_box.h"

#include <QMessageBox>

#include "platform/translation.h"
#include "ui/qt/native_text.h"

namespace quillo {

void QtMessageBoxSink::Show(TMessageIcon icon, const std::string& caption,
                            const std::string& text) {
  // Remarks on a file's data are for the shell front end only.
  if (icon == miQuietWarning) return;
  const bool error = icon == miError;
  QMessageBox box(error ? QMessageBox::Critical : QMessageBox::Warning,
                  ToQString(Translate(caption)), ToQString(Translate(text)), QMessageBox::Ok,
                  error ? owner_ : nullptr);
  // Messages quote paths and file contents, which must never be read as markup.
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

}  // namespace quillo
