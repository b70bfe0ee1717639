// Other programs run as child processes: found on PATH, started with their output caught in one
// pipe, ended on request, and always reaped.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quillo {

// The full path of the executable file PATH finds for a bare program name, as the shell finds
// it; none when there is none.
std::optional<std::string> FindProgram(const std::string& name, const std::string& path_variable);

class TSubprocess {
 public:
  // Starts program (a path) with args as its argument vector (the program's name first) and the
  // environment of this process with the given "NAME=value" entries put in. Standard input reads
  // nothing; standard output and standard error go into one pipe. Every signal takes its default
  // action in the child. Throws Exception with the system's reason when the program cannot start.
  TSubprocess(const std::string& program, const std::vector<std::string>& args,
              const std::vector<std::string>& environment);
  // Kills a child still running and reaps it.
  ~TSubprocess();
  TSubprocess(const TSubprocess&) = delete;
  TSubprocess& operator=(const TSubprocess&) = delete;

  // The pipe's reading end, to wait on; -1 once the output has ended.
  int OutputHandle() const { return output_; }
  // Reads what the pipe holds without waiting; false once the output has ended.
  bool ReadOutput();
  // The last bytes of the output, at most a few kilobytes.
  const std::string& OutputTail() const { return tail_; }

  void Signal(int signal_number);
  // Waits for the exit: the exit status, or 128 + the signal that ended the child.
  int Wait();
  // The status once the child has ended, without waiting; none while it runs.
  std::optional<int> Poll();

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;  // once reaped
  int output_ = -1;
  std::string tail_;
};

}  // namespace quillo
