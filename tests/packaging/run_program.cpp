#include "packaging/run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <linux/capability.h>
#include <chrono>
#include <fstream>
#include <stdexcept>

namespace quillo::testing {
namespace {

constexpr std::chrono::seconds kLimit(60);

// The environment of the child: the test's own with the run's entries in place of equal names.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& changes) {
  std::vector<std::string> result;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    const std::string name = text.substr(0, text.find('=') + 1);
    bool replaced = false;
    for (const std::string& change : changes) replaced |= change.rfind(name, 0) == 0;
    if (!replaced) result.push_back(text);
  }
  result.insert(result.end(), changes.begin(), changes.end());
  return result;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Whether the process has a handler for SIGTERM, by its status in /proc.
bool CatchesTerm(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("SigCgt:", 0) == 0) {
      return (std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1)) & 1;
    }
  }
  return false;
}

[[noreturn]] void StartChild(const ProgramRun& run, char* const* argv, char* const* envp,
                             int out_fd, int err_fd) {
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  for (const int signal_number : {SIGTERM, SIGINT, SIGHUP, SIGPIPE}) {
    ::signal(signal_number, SIG_DFL);
  }
  const int null_fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  ::dup2(null_fd, 0);
  ::dup2(out_fd, 1);
  ::dup2(err_fd, 2);
  if (!run.folder.empty() && ::chdir(run.folder.c_str()) != 0) ::_exit(126);
  if (run.obey_permissions) {
    // The superuser keeps the overrides only while they are in the bounding set.
    ::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0);
    ::prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0);
  }
  ::execvpe(argv[0], argv, envp);
  ::_exit(127);
}

}  // namespace

ProgramResult RunProgram(const ProgramRun& run) {
  std::vector<std::string> args = run.args;
  std::vector<std::string> environment = ChildEnvironment(run.environment);
  const std::vector<char*> argv = Pointers(args);
  const std::vector<char*> envp = Pointers(environment);
  int out_pipe[2], err_pipe[2];
  if (::pipe2(out_pipe, O_CLOEXEC) != 0 || ::pipe2(err_pipe, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) StartChild(run, argv.data(), envp.data(), out_pipe[1], err_pipe[1]);
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);

  ProgramResult result;
  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  const auto deadline = std::chrono::steady_clock::now() + kLimit;
  bool terminated = !run.terminate_when_ready;
  while (fds[0].fd >= 0 || fds[1].fd >= 0) {
    if (!terminated && CatchesTerm(pid)) terminated = ::kill(pid, SIGTERM) == 0;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      break;
    }
    ::poll(fds, 2, terminated ? 100 : 5);
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(got));
      } else {
        ::close(fds[i].fd);
        fds[i].fd = -1;
      }
    }
  }
  for (const pollfd& fd : fds) {
    if (fd.fd >= 0) ::close(fd.fd);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

}  // namespace quillo::testing
