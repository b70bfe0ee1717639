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

// Sets an environment variable for the life of the guard and then restores it.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const std::string& name, const std::string& value);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string name_;
  bool had_ = false;
  std::string old_;
};

}  // namespace quillo::testing
