// The shell front end: the window's jobs without a display.
#include <csignal>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli_session.h"
#include "cli/memory_reuse.h"
#include "imagelib/format_registry.h"
#include "platform/translation.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) { interrupted = 1; }

}  // namespace

int main(int argc, char** argv) {
  // The graphic classes are registered before the window exists and leave at program end.
  const quillo::TFormatRegistration formats;
  quillo::KeepFreedMemoryForReuse();
  std::error_code no_link;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", no_link);
  quillo::SetUpMessageLanguage(no_link ? std::string(argv[0]) : executable.string());
  // Ctrl-C, a polite kill and a closed terminal all stop the job between two files, so that no
  // temporary file is left; the same signal a second time ends the process at once.
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP})
    sigaction(signal_number, &action, nullptr);
  // Beyond a file-size limit a write then fails and is reported like a full disk, instead of the
  // signal ending the process half-way.
  std::signal(SIGXFSZ, SIG_IGN);
  const std::vector<std::string> args(argv + 1, argv + argc);
  return quillo::RunCli(args, {std::cin, std::cout, std::cerr}, interrupted);
}
