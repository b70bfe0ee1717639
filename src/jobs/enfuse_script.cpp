#include "jobs/enfuse_script.h"

#include <sys/stat.h>

#include <string_view>

#include "jobs/shell_words.h"
#include "platform/file_stream.h"

namespace quillo {
namespace {

// A script run as "sh name" has no folder in $0 and runs where it lies already.
constexpr char kScriptHead[] =
    "#!/bin/sh\n"
    "# Fuses every bracket with enfuse into enfused/.\n"
    "set -e\n"
    "case $0 in */*) cd -- \"${0%/*}/\" ;; esac\n"
    "mkdir -p enfused\n";

std::string InputWord(std::string_view folder_prefix, const std::string& path) {
  if (!folder_prefix.empty() && path.size() > folder_prefix.size() &&
      std::string_view(path).substr(0, folder_prefix.size()) == folder_prefix)
    return ShellQuote(std::string_view(path).substr(folder_prefix.size()));
  return ShellQuote(path);
}

}  // namespace

std::string EnfuseScriptText(const std::string& folder, const std::vector<TEnfuseBracket>& brackets,
                             const std::string& option) {
  std::string prefix = folder;
  while (prefix.size() > 1 && prefix.back() == '/') prefix.pop_back();
  if (prefix != "/") prefix += '/';
  std::string text = kScriptHead;
  for (const TEnfuseBracket& bracket : brackets) {
    text += "enfuse " + option + " " + ShellQuote("enfused/" + EnfuseOutputName(bracket));
    for (const std::string& input : bracket.inputs) text += " " + InputWord(prefix, input);
    text += '\n';
  }
  return text;
}

void WriteEnfuseScript(const std::string& path, const std::string& text) {
  TFileStream file(path, fmCreate);
  file.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  struct stat st {};
  if (::fstat(file.Handle(), &st) == 0) {
    const mode_t mode = st.st_mode & 07777;
    ::fchmod(file.Handle(), mode | ((mode & 0444) >> 2));
  }
  file.Commit();
}

}  // namespace quillo
