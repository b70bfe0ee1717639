// Program start: the application, the main window with its form, and the message loop.
#include <QApplication>

#include "imagelib/format_registry.h"
#include "platform/translation.h"
#include "ui/qt/qt_program.h"

int main(int argc, char** argv) {
  // The graphic classes are registered before the window exists and leave at program end.
  const quillo::TFormatRegistration formats;
  QApplication application(argc, argv);
  quillo::SetUpMessageLanguage(quillo::ExecutablePath());
  quillo::QtProgram program(quillo::ExecutablePath());
  program.Show();
  return QApplication::exec();
}
