#include "platform/subprocess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/errors.h"

extern char** environ;

namespace quillo {
namespace {

constexpr size_t kTailBytes = 4096;

std::string NameOf(const std::string& entry) { return entry.substr(0, entry.find('=')); }

// This process's environment with the entries of the same names replaced.
std::vector<std::string> MergedEnvironment(const std::vector<std::string>& entries) {
  std::vector<std::string> merged;
  for (char** each = environ; *each != nullptr; ++each) {
    const std::string entry = *each;
    bool replaced = false;
    for (const std::string& own : entries) replaced = replaced || NameOf(own) == NameOf(entry);
    if (!replaced) merged.push_back(entry);
  }
  merged.insert(merged.end(), entries.begin(), entries.end());
  return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

int StatusOf(int raw) {
  if (WIFEXITED(raw)) return WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
  return raw;
}

// posix_spawn's attribute and file-action objects, released on every path.
struct SpawnSetup {
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_t actions;
  SpawnSetup() {
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_init(&actions);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;
};

}  // namespace

std::optional<std::string> FindProgram(const std::string& name, const std::string& path_variable) {
  size_t start = 0;
  while (start <= path_variable.size()) {
    size_t end = path_variable.find(':', start);
    if (end == std::string::npos) end = path_variable.size();
    // An empty entry is the current folder, as the shell reads PATH.
    const std::string folder = end == start ? "." : path_variable.substr(start, end - start);
    const std::string candidate = folder + "/" + name;
    struct stat st {};
    if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        ::access(candidate.c_str(), X_OK) == 0)
      return candidate;
    start = end + 1;
  }
  return std::nullopt;
}

TSubprocess::TSubprocess(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& environment) {
  int pipe_ends[2];
  if (::pipe2(pipe_ends, O_CLOEXEC) != 0)
    throw Exception("cannot start " + program + ": " + std::strerror(errno));
  SpawnSetup setup;
  posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&setup.actions, pipe_ends[1], 1);
  posix_spawn_file_actions_adddup2(&setup.actions, pipe_ends[1], 2);
  // What this process ignores or handles, the child must not: it ends on a signal as usual.
  sigset_t defaults;
  sigemptyset(&defaults);
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ, SIGCHLD})
    sigaddset(&defaults, signal_number);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
  posix_spawnattr_setsigmask(&setup.attributes, &none);
  posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  std::vector<std::string> argv_texts = args;
  std::vector<std::string> env_texts = MergedEnvironment(environment);
  const std::vector<char*> argv = Pointers(argv_texts);
  const std::vector<char*> envp = Pointers(env_texts);
  const int error = ::posix_spawn(&pid_, program.c_str(), &setup.actions, &setup.attributes,
                                  argv.data(), envp.data());
  ::close(pipe_ends[1]);
  if (error != 0) {
    ::close(pipe_ends[0]);
    throw Exception("cannot start " + program + ": " + std::strerror(error));
  }
  output_ = pipe_ends[0];
  ::fcntl(output_, F_SETFL, ::fcntl(output_, F_GETFL) | O_NONBLOCK);
}

TSubprocess::~TSubprocess() {
  if (output_ >= 0) ::close(output_);
  if (pid_ > 0 && !status_) {
    ::kill(pid_, SIGKILL);
    Wait();
  }
}

bool TSubprocess::ReadOutput() {
  if (output_ < 0) return false;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(output_, buffer, sizeof buffer);
    if (got > 0) {
      tail_.append(buffer, static_cast<size_t>(got));
      if (tail_.size() > kTailBytes) tail_.erase(0, tail_.size() - kTailBytes);
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    ::close(output_);
    output_ = -1;
    return false;
  }
}

void TSubprocess::Signal(int signal_number) {
  if (pid_ > 0 && !status_) ::kill(pid_, signal_number);
}

int TSubprocess::Wait() {
  if (status_) return *status_;
  int raw = 0;
  while (::waitpid(pid_, &raw, 0) < 0 && errno == EINTR) {
  }
  status_ = StatusOf(raw);
  return *status_;
}

std::optional<int> TSubprocess::Poll() {
  if (status_) return status_;
  int raw = 0;
  if (::waitpid(pid_, &raw, WNOHANG) == pid_) status_ = StatusOf(raw);
  return status_;
}

}  // namespace quillo
