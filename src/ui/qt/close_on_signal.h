// SIGTERM, SIGINT and SIGHUP close the main window as its close box does, so that the settings
// are saved when the session ends or Ctrl-C stops the program in a terminal. The same signal a
// second time ends the program at once.
#pragma once

#include <QWidget>

namespace quillo {

// Catches the signals from here on; call first, so that none arriving during start-up is lost.
void CatchCloseSignals();

// Closes the window once the message loop runs and a caught signal is pending.
void CloseOnSignal(QWidget& window);

}  // namespace quillo
