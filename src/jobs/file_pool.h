// Batch work on several files at once. Worker threads prepare files, each into its target's
// temporary file; the job's own thread takes the results strictly in list order and commits them,
// so that a run writes exactly the files a one-at-a-time run would have written.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quillo {

// Runs on a worker: reads, decodes, turns or converts, and writes a file's target. What it
// commits is held back until the job's thread takes its result; the warnings it raises too.
using PrepareFile = std::function<void()>;

// What a job tells the run about its list. Every step runs on the job's own thread.
struct ListedFileSteps {
  int count = 0;  // lines in the list
  // The file a line names, or nothing for a line the job passes over without a trace.
  std::function<std::optional<std::string>(int line)> source;
  // The bytes the file's work will hold at its peak, estimated from its header.
  std::function<uint64_t(const std::string& source)> memory;
  // Reads the job's parameters for the file as they are now and returns its work.
  std::function<PrepareFile(const std::string& source)> hand_out;
  // Before a file's result is taken: status text, repaint and message pump.
  std::function<void(const std::string& source)> announce;
  // Whether the user has stopped the job.
  std::function<bool()> aborted;
  // Processes pending messages while a result is awaited.
  std::function<void()> pump;
};

struct ParallelLimits {
  int files = 1;               // files in work at once; 1 works on each on the job's thread
  uint64_t memory_budget = 0;  // for the files in work together; 0 for no limit
};

// How often the job's thread processes messages while it waits for a result.
inline constexpr int kPumpIntervalMs = 50;

// Runs through the list. Each listed file is announced in list order, then its work's result is
// taken: its warnings shown and its targets committed. An abort seen at a file's announcement
// returns false with nothing committed from that file on; an error of a file's work, or one
// thrown while reading its line or handing it out, is raised at that file, after every earlier
// file was committed. Work done on later files is discarded then, temporary files included.
// A file is handed out once every file more than limits.files - 1 places before it has been
// announced, and only while the work in progress leaves room for it in the memory budget; a
// file too large for the budget runs when nothing else is in work.
bool RunListedFiles(const ListedFileSteps& steps, const ParallelLimits& limits);

}  // namespace quillo
