// The shell front end's enfuse forms beyond the window's tab: brackets found by EXIF, the groups
// shown, a shell script instead of the batch file, and enfuse run at once.
#pragma once

#include <csignal>
#include <string>

#include "cli/cli_session.h"
#include "cli/command_line.h"
#include "form/text_lines.h"

namespace quillo {

// Whether the command asks for more than the window's batch file of fixed brackets.
bool IsEnfuseBeyondWindow(const CommandLine& line);

struct EnfuseDefaults {
  std::string bracket;  // what the window starts with
  std::string option;
};

class EnfuseCommand {
 public:
  EnfuseCommand(const CommandLine& line, const EnfuseDefaults& defaults, CliStreams io,
                const volatile std::sig_atomic_t& interrupted);

  // What is wrong with the options, for the usage message; empty when they fit together.
  std::string OptionProblem() const;
  // Works on the listed files; returns the exit status.
  int Run(const TextLines& list);

 private:
  struct Brackets;

  int ShowGroups(const Brackets& found);
  int WriteFile(const Brackets& found);
  int RunEnfuse(const Brackets& found, const std::string& program);
  void ReportSingles(const Brackets& found);

  const CommandLine& line_;
  EnfuseDefaults defaults_;
  CliStreams io_;
  const volatile std::sig_atomic_t& interrupted_;
};

}  // namespace quillo
