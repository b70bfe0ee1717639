// Runs an installed program or a checker as a child process and collects what it printed.
#pragma once

#include <string>
#include <vector>

namespace quillo::testing {

struct ProgramRun {
  std::vector<std::string> args = {};         // args[0] is the program, by path or found on PATH
  std::vector<std::string> environment = {};  // NAME=VALUE entries over the test's own
  std::string folder = {};                    // the working folder; the test's own when empty
  // File permissions bind the child also when the test runs as root.
  bool obey_permissions = false;
  // Sends SIGTERM as soon as the child catches it, as a session that ends does.
  bool terminate_when_ready = false;
};

struct ProgramResult {
  int status = -1;  // exit status, or 128 + signal
  std::string out;
  std::string err;
};

// Kills the child after a minute.
ProgramResult RunProgram(const ProgramRun& run);

}  // namespace quillo::testing
