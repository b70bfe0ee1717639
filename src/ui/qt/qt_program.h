// The program as it runs on a desktop: the main window, TForm1 bound to it, and the message
// boxes shown over it.
#pragma once

#include <string>

#include "app/main_form.h"
#include "platform/message_box.h"
#include "ui/qt/qt_main_window.h"
#include "ui/qt/qt_message_box.h"

namespace quillo {

class QtProgram {
 public:
  // Needs a QApplication; creates the window with every control in its initial state.
  explicit QtProgram(std::string executable_path);
  QtProgram(const QtProgram&) = delete;
  QtProgram& operator=(const QtProgram&) = delete;

  QtMainWindow& Window() { return window_; }
  TForm1& Form() { return form_; }
  // Shows the window, which runs the form's show handler.
  void Show() { window_.show(); }

 private:
  QtMainWindow window_;
  QtMessageBoxSink boxes_;
  ScopedMessageBoxSink boxes_guard_;
  TForm1 form_;
};

// The running executable's path, as the system reports it.
std::string ExecutablePath();

}  // namespace quillo
