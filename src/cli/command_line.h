// The command line of the shell front end: sub-commands, their options, usage and help texts.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillo {

struct CommandLine {
  // "list", "rotate", "rename", "enfuse", "convert"; empty for the program's own --help
  std::string command;
  bool help = false;
  std::map<std::string, std::string> values;  // option name without "--" to its value
  bool Has(const std::string& option) const { return values.contains(option); }
  std::string Value(const std::string& option, const std::string& fallback = "") const;
};

struct CommandLineError {
  std::string message;
  std::string command;  // the sub-command whose usage line to show; empty for the program's
};

// Parses the arguments after the program name. Options take "--name value" or "--name=value";
// flags take no value.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            CommandLineError& error);

// "usage: quillomark-cli ..." for a sub-command, or the program's summary for an empty one.
std::string UsageLine(const std::string& command);
// The names --type takes, joined for the usage ("jpg|tif|bmp|all") or a message ("jpg, tif, bmp
// or all").
std::string ImageTypeNames(std::string_view between, std::string_view before_last);
std::string HelpText(const std::string& command);

}  // namespace quillo
