#include "ui/qt/close_on_signal.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

namespace quillo {
namespace {

// The handler may only write to a pipe; the message loop reads the other end.
int signal_pipe[2] = {-1, -1};

void NoteSignal(int) {
  const int saved = errno;
  const char note = 1;
  [[maybe_unused]] const ssize_t written = ::write(signal_pipe[1], &note, 1);
  errno = saved;
}

}  // namespace

void CatchCloseSignals() {
  if (::pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  struct sigaction action {};
  action.sa_handler = NoteSignal;
  sigemptyset(&action.sa_mask);
  // The handler lasts for one signal: the next one takes the default action and ends the program.
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  for (const int signal_number : {SIGTERM, SIGINT, SIGHUP}) {
    ::sigaction(signal_number, &action, nullptr);
  }
}

void CloseOnSignal(QWidget& window) {
  if (signal_pipe[0] < 0) return;
  auto* notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, &window);
  QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
    char notes[16];
    while (::read(signal_pipe[0], notes, sizeof notes) > 0) {
    }
    window.close();
  });
}

}  // namespace quillo
