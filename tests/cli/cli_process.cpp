#include "cli/cli_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <regex>
#include <stdexcept>

#include "support/file_size_limit.h"

namespace quillo::testing {
namespace {

const char kProgram[] = QUILLO_BINARY_DIR "/src/quillomark-cli";

// The test's own environment without the variables that choose a language, plus LANG=lang.
std::vector<std::string> ChildEnvironment(const std::string& lang) {
  std::vector<std::string> environment;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    const std::string entry = *variable;
    const std::string name = entry.substr(0, entry.find('='));
    if (name != "LANGUAGE" && name != "LC_ALL" && name != "LC_MESSAGES" && name != "LANG")
      environment.push_back(entry);
  }
  if (!lang.empty()) environment.push_back("LANG=" + lang);
  return environment;
}

}  // namespace

CliProcess::CliProcess(const std::vector<std::string>& args, const std::string& input,
                       rlim_t file_size_limit, const std::string& out_path,
                       const std::string& lang) {
  int in_pipe[2], out_pipe[2], err_pipe[2];
  if (::pipe(in_pipe) != 0 || ::pipe(out_pipe) != 0 || ::pipe(err_pipe) != 0) {
    throw std::runtime_error("pipe failed");
  }
  ::fcntl(err_pipe[0], F_SETPIPE_SZ, 4096);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
    sigaddset(&defaults, signal_number);
  }
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in_pipe[0], 0);
  if (out_path.empty()) {
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
  }
  posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);
  for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]}) {
    posix_spawn_file_actions_addclose(&actions, fd);
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(kProgram));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const std::vector<std::string> environment = ChildEnvironment(lang);
  std::vector<char*> envp;
  for (const std::string& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);
  std::optional<FileSizeLimit> limit;
  if (file_size_limit != RLIM_INFINITY) limit.emplace(file_size_limit);
  const int spawned =
      ::posix_spawn(&pid_, kProgram, &actions, &attributes, argv.data(), envp.data());
  limit.reset();
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ::close(in_pipe[0]);
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);
  if (spawned != 0) throw std::runtime_error(std::string("cannot start ") + kProgram);
  // Small inputs fit the pipe's buffer, so the child never waits for us here.
  if (!input.empty() && ::write(in_pipe[1], input.data(), input.size()) < 0) {
    throw std::runtime_error("write to the child failed");
  }
  ::close(in_pipe[1]);
  out_fd_ = out_pipe[0];
  if (!out_path.empty()) {
    ::close(out_fd_);
    out_fd_ = -1;
  }
  err_fd_ = err_pipe[0];
}

CliProcess::~CliProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    Finish();
  }
}

bool CliProcess::Pump() {
  pollfd fds[2] = {{out_fd_, POLLIN, 0}, {err_fd_, POLLIN, 0}};
  if (out_fd_ < 0 && err_fd_ < 0) return false;
  ::poll(fds, 2, -1);
  int* owners[2] = {&out_fd_, &err_fd_};
  std::string* sinks[2] = {&result_.out, &result_.err};
  for (int i = 0; i < 2; ++i) {
    if (*owners[i] < 0 || fds[i].revents == 0) continue;
    char buffer[4096];
    const ssize_t got = ::read(*owners[i], buffer, sizeof buffer);
    if (got > 0) {
      sinks[i]->append(buffer, static_cast<size_t>(got));
    } else {
      ::close(*owners[i]);
      *owners[i] = -1;
    }
  }
  return true;
}

bool CliProcess::WaitForError(const std::string& text) {
  while (result_.err.find(text) == std::string::npos) {
    if (!Pump()) return false;
  }
  return true;
}

bool CliProcess::WaitUntilBlockedWritingErrors() {
  const std::string wchan = "/proc/" + std::to_string(pid_) + "/wchan";
  for (;;) {
    std::ifstream file(wchan);
    std::string where;
    std::getline(file, where);
    // "pipe_write", or "anon_pipe_write" on newer kernels.
    if (where.ends_with("pipe_write")) return true;
    siginfo_t info{};
    if (!file ||
        ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
        info.si_pid != 0) {
      return false;
    }
    ::usleep(1000);
  }
}

void CliProcess::Signal(int signal_number) { ::kill(pid_, signal_number); }

CliResult CliProcess::Finish() {
  while (Pump()) {
  }
  int status = 0;
  if (pid_ > 0 && ::waitpid(pid_, &status, 0) == pid_) {
    result_.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  pid_ = -1;
  return result_;
}

CliResult RunCli(const std::vector<std::string>& args, const std::string& input) {
  return CliProcess(args, input).Finish();
}

CliResult RunCliIn(const std::string& lang, const std::vector<std::string>& args) {
  return CliProcess(args, "", RLIM_INFINITY, "", lang).Finish();
}

std::string WithoutTime(const std::string& err) {
  static const std::regex time(" done in [0-9]+\\.[0-9] s\n");
  return std::regex_replace(err, time, " done in T s\n");
}

}  // namespace quillo::testing
