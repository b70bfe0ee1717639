// Program start: the application, the main window with its form, and the message loop.
#include <QApplication>

#include "imagelib/format_registry.h"
#include "ui/qt/close_on_signal.h"
#include "ui/qt/qt_program.h"

int main(int argc, char** argv) {
  quillo::CatchCloseSignals();
  // The graphic classes are registered before the window exists and leave at program end.
  const quillo::TFormatRegistration formats;
  QApplication application(argc, argv);
  // The desktop entry of this name gives the task bar the program's name and icon.
  QGuiApplication::setDesktopFileName(QUILLO_APP_ID);
  quillo::QtProgram program(quillo::ExecutablePath());
  QApplication::setWindowIcon(program.Window().windowIcon());
  quillo::CloseOnSignal(program.Window());
  program.Show();
  return QApplication::exec();
}
