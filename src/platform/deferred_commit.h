// Commits held back on a worker thread. While a thread holds a ScopedDeferredCommits, a file
// stream's Commit() finishes its temporary file and hands it here instead of giving it the
// target's name, so that the job's own thread can put the files in place in list order, or drop
// them.
#pragma once

#include <memory>
#include <vector>

namespace quillo {

class TFileStream;

class DeferredCommits {
 public:
  DeferredCommits();
  // Whatever was not committed is discarded: its temporary file goes, the target stays as it is.
  ~DeferredCommits();
  DeferredCommits(DeferredCommits&&) noexcept;
  DeferredCommits& operator=(DeferredCommits&&) noexcept;

  // Takes a finished stream whose Commit() was held back.
  void Hold(std::unique_ptr<TFileStream> file);
  // Gives every held file its target's name, in the order they were finished. A failure throws
  // EWriteError as Commit() does, and the files after it are discarded.
  void CommitAll();
  // Drops every held file.
  void Discard() noexcept;
  bool Empty() const { return files_.empty(); }

 private:
  std::vector<std::unique_ptr<TFileStream>> files_;
};

// Holds the calling thread's commits back into the collection for the guard's lifetime.
class ScopedDeferredCommits {
 public:
  explicit ScopedDeferredCommits(DeferredCommits& commits);
  ~ScopedDeferredCommits();
  ScopedDeferredCommits(const ScopedDeferredCommits&) = delete;
  ScopedDeferredCommits& operator=(const ScopedDeferredCommits&) = delete;

 private:
  DeferredCommits* previous_;
};

// The collection the calling thread's commits go to, or nullptr when they take effect at once.
DeferredCommits* CurrentDeferredCommits();

}  // namespace quillo
