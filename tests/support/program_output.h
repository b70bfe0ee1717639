// Runs another program (sh, exiftool, enfuse) the way a test uses it as an oracle: argument
// vector in, standard output and exit status out.
#pragma once

#include <string>
#include <vector>

namespace quillo::testing {

struct ProgramResult {
  int status = -1;  // exit status, or 128 + signal
  std::string out;  // standard output; standard error is passed through
};

// Runs args[0], found on PATH, with the arguments as given and waits for it.
ProgramResult RunProgram(const std::vector<std::string>& args);

}  // namespace quillo::testing
