#include "jobs/file_pool.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/deferred_commit.h"
#include "platform/warning_collector.h"

namespace quillo {
namespace {

using Clock = std::chrono::steady_clock;

// One listed file from the moment its line is read until its result is taken.
struct Slot {
  std::string source;
  uint64_t memory = 0;
  bool started = false;
  // Raised while the line was read: the run ends there before the file is announced.
  std::exception_ptr read_error;
  // Written by the worker, read by the job's thread only once done is set under the pool's lock.
  bool done = false;
  std::exception_ptr error;
  DeferredCommits commits;
  WarningCollector warnings;
};

// Runs a file's work with its commits held back and its warnings collected, catching its error.
void Prepare(Slot& slot, const PrepareFile& prepare) {
  const ScopedDeferredCommits commits(slot.commits);
  const ScopedWarningCollector warnings(slot.warnings);
  try {
    prepare();
  } catch (...) {
    slot.error = std::current_exception();
  }
}

// Worker threads, started as work arrives, up to a limit. With a limit below 2 there are none:
// the work runs on the calling thread when it is started.
class WorkerPool {
 public:
  explicit WorkerPool(int threads) : max_threads_(threads > 1 ? threads : 0) {}
  // Work not begun is dropped; work under way is waited for.
  ~WorkerPool() {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
      queue_.clear();
    }
    work_ready_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  void Start(Slot& slot, PrepareFile prepare) {
    slot.started = true;
    if (max_threads_ == 0) {
      Prepare(slot, prepare);
      slot.done = true;
      return;
    }
    {
      const std::lock_guard lock(mutex_);
      memory_in_work_ += slot.memory;
      ++in_work_;
      queue_.push_back({&slot, std::move(prepare)});
      if (idle_ == 0 && static_cast<int>(threads_.size()) < max_threads_) {
        threads_.emplace_back([this] { Work(); });
      }
    }
    work_ready_.notify_one();
  }

  // Whether work of that size may start now: it fits the budget beside the work in progress,
  // or nothing else is in work.
  bool Fits(uint64_t memory, uint64_t budget) {
    const std::lock_guard lock(mutex_);
    return in_work_ == 0 || budget == 0 || memory_in_work_ + memory <= budget;
  }

  bool Done(const Slot& slot) {
    const std::lock_guard lock(mutex_);
    return slot.done;
  }

  // Returns once the slot is done, some other work has finished, or the deadline has passed.
  void WaitForChange(const Slot& slot, Clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    const uint64_t seen = finished_;
    done_.wait_until(lock, deadline, [&] { return slot.done || finished_ != seen; });
  }

 private:
  struct Task {
    Slot* slot;
    PrepareFile prepare;
  };

  void Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
      ++idle_;
      work_ready_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
      --idle_;
      if (queue_.empty()) return;
      Task task = std::move(queue_.front());
      queue_.pop_front();
      lock.unlock();
      Prepare(*task.slot, task.prepare);
      task.prepare = nullptr;  // what the work captured goes before the result is handed over
      lock.lock();
      task.slot->done = true;
      memory_in_work_ -= task.slot->memory;
      --in_work_;
      ++finished_;
      done_.notify_all();
    }
  }

  const int max_threads_;
  std::mutex mutex_;
  std::condition_variable work_ready_;
  std::condition_variable done_;
  std::deque<Task> queue_;
  std::vector<std::thread> threads_;
  int idle_ = 0;
  int in_work_ = 0;
  uint64_t memory_in_work_ = 0;
  uint64_t finished_ = 0;
  bool stopping_ = false;
};

class ListedFileRun {
 public:
  ListedFileRun(const ListedFileSteps& steps, const ParallelLimits& limits)
      : steps_(steps), limits_(limits), pool_(limits.files) {}

  bool Run() {
    while (!pending_.empty() || ReadNextFile()) {
      Slot& file = *pending_.front();
      if (file.read_error) std::rethrow_exception(file.read_error);
      steps_.announce(file.source);
      if (steps_.aborted()) return false;
      HandOut();
      AwaitResult(file);
      file.warnings.ShowAll();
      if (file.error) std::rethrow_exception(file.error);
      file.commits.CommitAll();
      pending_.pop_front();
    }
    return true;
  }

 private:
  // Reads lines until one names a file to work on and queues it; false at the end of the list.
  bool ReadNextFile() {
    while (!read_ended_ && next_line_ < steps_.count) {
      auto slot = std::make_unique<Slot>();
      try {
        const std::optional<std::string> source = steps_.source(next_line_++);
        if (!source) continue;
        slot->source = *source;
        slot->memory = steps_.memory(slot->source);
      } catch (...) {
        slot->read_error = std::current_exception();
        read_ended_ = true;
      }
      pending_.push_back(std::move(slot));
      return true;
    }
    return false;
  }

  // Fills the window of files after the one announced last and starts them in list order, as
  // far as the memory budget allows. A run that was stopped, or whose hand-out failed, ends at or
  // before that file, so nothing later is handed out.
  void HandOut() {
    if (hand_out_failed_ || steps_.aborted()) return;
    while (static_cast<int>(pending_.size()) < limits_.files && ReadNextFile()) {
    }
    for (const std::unique_ptr<Slot>& slot : pending_) {
      if (slot->started) continue;
      if (slot->read_error || !pool_.Fits(slot->memory, limits_.memory_budget)) return;
      try {
        PrepareFile prepare = steps_.hand_out(slot->source);
        pool_.Start(*slot, std::move(prepare));
      } catch (...) {
        slot->started = true;
        slot->done = true;
        slot->error = std::current_exception();
        hand_out_failed_ = true;
        return;
      }
    }
  }

  // Waits for the file's result, processing messages whenever the wait has lasted the interval
  // and handing out more work as earlier work finishes.
  void AwaitResult(const Slot& file) {
    auto last_pump = Clock::now();
    while (!pool_.Done(file)) {
      const auto deadline = last_pump + std::chrono::milliseconds(kPumpIntervalMs);
      pool_.WaitForChange(file, deadline);
      if (Clock::now() >= deadline) {
        steps_.pump();
        last_pump = Clock::now();
      }
      HandOut();
    }
  }

  const ListedFileSteps& steps_;
  const ParallelLimits limits_;
  int next_line_ = 0;
  bool read_ended_ = false;
  bool hand_out_failed_ = false;
  // Files read and not yet taken, in list order; declared before the pool, which must stop its
  // workers before the files they write into go.
  std::deque<std::unique_ptr<Slot>> pending_;
  WorkerPool pool_;
};

}  // namespace

bool RunListedFiles(const ListedFileSteps& steps, const ParallelLimits& limits) {
  return ListedFileRun(steps, limits).Run();
}

}  // namespace quillo
