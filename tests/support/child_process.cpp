#include "support/child_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

namespace quillo::testing {

int RunInChild(const std::function<int()>& body, std::chrono::milliseconds limit) {
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    int status = 255;
    try {
      status = body();
    } catch (...) {
    }
    ::_exit(status);
  }
  const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  pollfd ended = {pidfd, POLLIN, 0};
  if (pidfd < 0 || ::poll(&ended, 1, static_cast<int>(limit.count())) != 1) ::kill(pid, SIGKILL);
  if (pidfd >= 0) ::close(pidfd);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace quillo::testing
