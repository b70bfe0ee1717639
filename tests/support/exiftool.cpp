#include "support/exiftool.h"

#include <sys/wait.h>

#include <cstdio>
#include <sstream>

namespace quillo::testing {
namespace {

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Standard output of the command; the exit status in status.
std::string Output(const std::string& command, int& status) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    status = -1;
    return out;
  }
  char buffer[65536];
  for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, got);
  status = pclose(pipe);
  return out;
}

std::string Command(const std::vector<std::string>& arguments, const std::string& path) {
  std::string command = "exiftool";
  for (const std::string& argument : arguments) command += " " + Quoted(argument);
  return command + " " + Quoted(path) + " 2>/dev/null";
}

}  // namespace

bool HaveExiftool() {
  int status = 0;
  Output("exiftool -ver 2>/dev/null", status);
  return status == 0;
}

std::map<std::string, std::string> ExiftoolTags(const std::string& path,
                                                const std::vector<std::string>& tags) {
  std::vector<std::string> arguments = {"-args", "-n"};
  for (const std::string& tag : tags) arguments.push_back("-" + tag);
  int status = 0;
  std::istringstream lines(Output(Command(arguments, path), status));
  std::map<std::string, std::string> found;
  for (std::string line; std::getline(lines, line);) {
    const size_t equals = line.find('=');
    if (line.size() > 1 && line[0] == '-' && equals != std::string::npos)
      found[line.substr(1, equals - 1)] = line.substr(equals + 1);
  }
  return found;
}

std::string ExiftoolBinary(const std::string& path, const std::string& tag) {
  int status = 0;
  return Output(Command({"-b", "-" + tag}, path), status);
}

bool ExiftoolWrite(const std::string& path, const std::vector<std::string>& arguments) {
  std::vector<std::string> all = {"-q", "-overwrite_original"};
  all.insert(all.end(), arguments.begin(), arguments.end());
  int status = 0;
  Output(Command(all, path), status);
  return status == 0;
}

}  // namespace quillo::testing
