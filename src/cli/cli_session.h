// Runs the shell front end's commands on the headless window, so that a shell run goes through
// exactly the handlers and jobs the real window uses.
#pragma once

#include <csignal>
#include <iosfwd>
#include <string>
#include <vector>

namespace quillo {

inline constexpr int kExitComplete = 0;
inline constexpr int kExitError = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

struct CliStreams {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
};

// Parses the arguments (without the program name), runs the command and returns the exit
// status. When interrupted becomes non-zero during a job, the job's abort button is clicked.
int RunCli(const std::vector<std::string>& args, CliStreams io,
           const volatile std::sig_atomic_t& interrupted);

}  // namespace quillo
