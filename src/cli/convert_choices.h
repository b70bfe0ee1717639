// The convert command's own choices on the command line (metadata, upright, quality,
// compression), and the warnings its conversions leave for the job's thread to tell.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "jobs/convert_options.h"

namespace quillo {

// The options the command line gives; none, with the reason in error, for a value out of range.
std::optional<TConvertOptions> ParseConvertChoices(const CommandLine& line, std::string& error);

// Warning lines recorded by conversions on any thread, taken in the order they came.
class TWarningLines {
 public:
  void Add(const std::vector<std::string>& lines);
  std::vector<std::string> Take();

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

}  // namespace quillo
