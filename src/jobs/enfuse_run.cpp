#include "jobs/enfuse_run.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <thread>

#include "image/metadata/exif_copy.h"
#include "platform/errors.h"
#include "platform/subprocess.h"

namespace quillo {
namespace {

constexpr int kPollMilliseconds = 100;  // how soon an interruption is noticed at the latest
constexpr auto kEndGrace = std::chrono::seconds(3);  // before a stopped enfuse is killed
constexpr size_t kReportedLines = 5;

struct Running {
  size_t bracket = 0;
  std::string temporary;
  std::string final_path;
  std::string name;
  std::unique_ptr<TSubprocess> process;
};

// The last few non-empty lines of a text.
std::string LastLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (!line.empty()) lines.push_back(std::move(line));
    start = end + 1;
  }
  std::string last;
  const size_t first = lines.size() > kReportedLines ? lines.size() - kReportedLines : 0;
  for (size_t i = first; i < lines.size(); ++i) last += lines[i] + "\n";
  return last;
}

bool NonEmptyFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

void MakeFolder(const std::string& folder) {
  if (::mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return;
    errno = ENOTDIR;
  }
  throw EFCreateError(Format(kFileCreateErrorPattern, {folder, std::strerror(errno)}));
}

class Runner {
 public:
  Runner(const std::vector<TEnfuseBracket>& brackets, const TEnfuseRunSettings& settings,
         const TEnfuseRunEvents& events, const volatile std::sig_atomic_t& interrupted)
      : brackets_(brackets), settings_(settings), events_(events), interrupted_(interrupted) {}

  TEnfuseRunResult Run() {
    size_t next = 0;
    while (!interrupted_ && (next < brackets_.size() || !running_.empty())) {
      while (!interrupted_ && next < brackets_.size() &&
             static_cast<int>(running_.size()) < std::max(settings_.jobs, 1))
        Start(next++);
      WaitForOutput();
      Collect();
    }
    if (interrupted_) {
      EndRunning();
      return erInterrupted;
    }
    return failed_ ? erFailed : erComplete;
  }

 private:
  void Start(size_t index) {
    const TEnfuseBracket& bracket = brackets_[index];
    Running run;
    run.bracket = index;
    run.name = EnfuseOutputName(bracket);
    run.final_path = settings_.output_folder + "/" + run.name;
    // Hidden, and with the result's extension, by which enfuse picks the file format.
    run.temporary = settings_.output_folder + "/.partial-" + std::to_string(::getpid()) + "-" +
                    std::to_string(index) + "-" + run.name;
    std::vector<std::string> args = {settings_.program};
    args.insert(args.end(), settings_.options.begin(), settings_.options.end());
    args.push_back(run.temporary);
    args.insert(args.end(), bracket.inputs.begin(), bracket.inputs.end());
    try {
      run.process = std::make_unique<TSubprocess>(
          settings_.program, args,
          std::vector<std::string>{"OMP_NUM_THREADS=" + std::to_string(settings_.threads)});
    } catch (const Exception& e) {
      Fail(run, e.what(), "");
      return;
    }
    running_.push_back(std::move(run));
  }

  void WaitForOutput() {
    std::vector<pollfd> fds;
    for (const Running& run : running_) fds.push_back({run.process->OutputHandle(), POLLIN, 0});
    if (fds.empty()) return;
    ::poll(fds.data(), fds.size(), kPollMilliseconds);
  }

  // Finishes every bracket whose enfuse has ended.
  void Collect() {
    for (auto it = running_.begin(); it != running_.end();) {
      Running& run = *it;
      if (run.process->ReadOutput() || interrupted_) {
        ++it;
        continue;
      }
      const int status = run.process->Wait();
      if (interrupted_) {
        ++it;
        continue;
      }
      Finish(run, status);
      it = running_.erase(it);
    }
  }

  void Finish(Running& run, int status) {
    const std::string last_lines = LastLines(run.process->OutputTail());
    if (status != 0) {
      Fail(run, "enfuse failed with exit status " + std::to_string(status), last_lines);
      return;
    }
    if (!NonEmptyFile(run.temporary)) {
      Fail(run, "enfuse ended without writing a result", last_lines);
      return;
    }
    const TEnfuseBracket& bracket = brackets_[run.bracket];
    std::string warning;
    try {
      CarryReferenceExif(bracket.inputs[bracket.reference], run.temporary);
    } catch (const Exception& e) {
      warning = e.what();
    }
    if (std::rename(run.temporary.c_str(), run.final_path.c_str()) != 0) {
      Fail(run, "cannot rename the result: " + std::string(std::strerror(errno)), "");
      return;
    }
    ++done_;
    if (!warning.empty() && events_.warning)
      events_.warning(run.name, "EXIF not carried over: " + warning);
    if (events_.finished) events_.finished(done_, brackets_.size(), run.name);
  }

  void Fail(const Running& run, const std::string& why, const std::string& last_lines) {
    ::unlink(run.temporary.c_str());
    failed_ = true;
    ++done_;
    if (events_.failed) events_.failed(done_, brackets_.size(), run.name, why, last_lines);
  }

  // Asks every running enfuse to stop, kills what has not stopped after a grace time, and
  // removes what they wrote.
  void EndRunning() {
    for (Running& run : running_) run.process->Signal(SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kEndGrace;
    for (Running& run : running_) {
      while (!run.process->Poll() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      run.process->Signal(SIGKILL);
      run.process->Wait();
      ::unlink(run.temporary.c_str());
    }
    running_.clear();
  }

  const std::vector<TEnfuseBracket>& brackets_;
  const TEnfuseRunSettings& settings_;
  const TEnfuseRunEvents& events_;
  const volatile std::sig_atomic_t& interrupted_;
  std::vector<Running> running_;
  size_t done_ = 0;
  bool failed_ = false;
};

}  // namespace

int ThreadsPerJob(int processors, int jobs) { return std::max(1, processors / std::max(jobs, 1)); }

TEnfuseRunResult RunEnfuseBrackets(const std::vector<TEnfuseBracket>& brackets,
                                   const TEnfuseRunSettings& settings,
                                   const TEnfuseRunEvents& events,
                                   const volatile std::sig_atomic_t& interrupted) {
  std::set<std::string> names;
  for (const TEnfuseBracket& bracket : brackets) {
    const std::string name = EnfuseOutputName(bracket);
    if (!names.insert(name).second)
      throw Exception(Format(kSameOutputPattern, {settings.output_folder + "/" + name}));
  }
  if (interrupted) return erInterrupted;
  MakeFolder(settings.output_folder);
  return Runner(brackets, settings, events, interrupted).Run();
}

}  // namespace quillo
