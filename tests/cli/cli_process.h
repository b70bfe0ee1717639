// Runs the built shell front end as a child process with its standard streams in pipes.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <string>
#include <vector>

namespace quillo::testing {

struct CliResult {
  int status = -1;  // exit status, or 128 + signal
  std::string out;
  std::string err;
};

class CliProcess {
 public:
  // The child starts with the default action for every signal the program handles, and may
  // write files of at most file_size_limit bytes. Its standard output goes to out_path when one
  // is given. Its environment names no locale, or only LANG=lang when one is given.
  explicit CliProcess(const std::vector<std::string>& args, const std::string& input = "",
                      rlim_t file_size_limit = RLIM_INFINITY, const std::string& out_path = "",
                      const std::string& lang = "");
  ~CliProcess();
  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;

  // Reads standard error until it holds the text; false when the process ended first.
  bool WaitForError(const std::string& text);
  // Standard error holds one page at most: a test that stops reading it holds the child at its
  // next message. Waits until the child blocks there; false when it ended first.
  bool WaitUntilBlockedWritingErrors();
  void Signal(int signal_number);
  // Collects the rest of both streams and waits for the exit.
  CliResult Finish();

 private:
  bool Pump();  // one round of reading; false when both pipes are at their end
  pid_t pid_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  CliResult result_;
};

CliResult RunCli(const std::vector<std::string>& args, const std::string& input = "");
// Standard error with the time of the closing "N files done in T s" line written as "T".
std::string WithoutTime(const std::string& err);

// The same with LANG set to lang.
CliResult RunCliIn(const std::string& lang, const std::vector<std::string>& args);

}  // namespace quillo::testing
