// Program start: the application, the main window with its form, and the message loop.
#include <QApplication>

#include "ui/qt/qt_program.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  quillo::QtProgram program(quillo::ExecutablePath());
  program.Show();
  return QApplication::exec();
}
