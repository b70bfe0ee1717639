// Runs enfuse on brackets, several processes at once, each result written under a temporary name
// and given its final name, and its reference exposure's EXIF, only when enfuse succeeded.
#pragma once

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "jobs/enfuse_bracket.h"

namespace quillo {

inline constexpr char kSameOutputPattern[] = "two brackets would both write %s";

struct TEnfuseRunSettings {
  std::string program;               // enfuse's full path
  std::vector<std::string> options;  // the arguments before the output path
  std::string output_folder;         // made when missing
  int jobs = 1;                      // enfuse processes at once
  int threads = 1;                   // OMP_NUM_THREADS of each
};

struct TEnfuseRunEvents {
  // A bracket's result is in place: its number among the finished brackets, their total and the
  // result's file name.
  std::function<void(size_t done, size_t total, const std::string& name)> finished;
  // A bracket failed (its result is removed): what went wrong and enfuse's last output lines.
  std::function<void(size_t done, size_t total, const std::string& name, const std::string& why,
                     const std::string& last_lines)>
      failed;
  // The result is in place but its EXIF could not be written.
  std::function<void(const std::string& name, const std::string& why)> warning;
};

enum TEnfuseRunResult : uint8_t { erComplete, erFailed, erInterrupted };

// Threads for each of `jobs` processes sharing the processors: at least 1.
int ThreadsPerJob(int processors, int jobs);

// Runs one enfuse per bracket, at most settings.jobs at once; a failing bracket leaves no file
// and the others go on. Once interrupted becomes non-zero no bracket starts, the running ones are
// ended and their partial results removed. Throws Exception before starting anything when the
// output folder cannot be made or two brackets share a result name.
TEnfuseRunResult RunEnfuseBrackets(const std::vector<TEnfuseBracket>& brackets,
                                   const TEnfuseRunSettings& settings,
                                   const TEnfuseRunEvents& events,
                                   const volatile std::sig_atomic_t& interrupted);

}  // namespace quillo
