// The convert command's own choices on the command line: metadata, upright, quality and
// compression.
#pragma once

#include <optional>
#include <string>

#include "cli/command_line.h"
#include "jobs/convert_options.h"

namespace quillo {

// The options the command line gives; none, with the reason in error, for a value out of range.
std::optional<TConvertOptions> ParseConvertChoices(const CommandLine& line, std::string& error);

}  // namespace quillo
