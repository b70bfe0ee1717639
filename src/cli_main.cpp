// The shell front end: the window's jobs without a display.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_session.h"
#include "imagelib/format_registry.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) { interrupted = 1; }

}  // namespace

int main(int argc, char** argv) {
  // The first Ctrl-C stops the job between two files; a second one ends the process at once.
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  const quillo::TFormatRegistration formats;
  const std::vector<std::string> args(argv + 1, argv + argc);
  return quillo::RunCli(args, {std::cin, std::cout, std::cerr}, interrupted);
}
