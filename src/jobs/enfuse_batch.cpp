#include "jobs/enfuse_batch.h"

#include <string_view>

#include "form/form_controls.h"
#include "jobs/enfuse_bracket.h"
#include "jobs/job_run.h"
#include "platform/errors.h"
#include "platform/file_stream.h"
#include "platform/path.h"
#include "platform/text_rules.h"

namespace quillo {
namespace {

constexpr char kMkdirLine[] = "if not exist \"enfused\\.\" mkdir enfused";
constexpr char kLineEnd[] = "\r\n";

// Characters that make the command interpreter split a word, pipe, redirect, escape or expand.
bool IsCommandSpecial(char c) {
  return std::string_view(" \t&|<>^%").find(c) != std::string_view::npos;
}

// The word as it must stand on a command line. Only single-byte characters count: the second
// byte of a double-byte character may equal "|" or "^" without being one.
std::string CommandWord(std::string_view word) {
  bool special = false;
  std::string quoted = "\"";
  ForEachChar(word, [&](size_t pos, size_t length) {
    const std::string_view character = word.substr(pos, length);
    if (length == 1 && IsCommandSpecial(character[0])) {
      special = true;
      if (character[0] == '%') quoted += '%';
    }
    quoted += character;
  });
  if (!special) return std::string(word);
  quoted += '"';
  return quoted;
}

}  // namespace

std::string BuildEnfuseLine(const std::vector<std::string>& bracket, const std::string& option) {
  for (const std::string& name : bracket) {
    if (name.find_first_of("\"\r\n") != std::string::npos) {
      throw Exception(Format(kUnsafeBatchNamePattern, {name}));
    }
  }
  const std::string output = "enfused/" + EnfuseOutputName(bracket);
  std::string line = "enfuse " + option + " " + CommandWord(output);
  for (const std::string& name : bracket) {
    line += ' ';
    line += CommandWord(name);
  }
  return line;
}

std::string EnfuseBatchText(const std::vector<std::vector<std::string>>& brackets,
                            const std::string& option) {
  std::string text = std::string(kMkdirLine) + kLineEnd;
  for (const std::vector<std::string>& bracket : brackets)
    text += BuildEnfuseLine(bracket, option) + kLineEnd;
  return text;
}

void WriteEnfuseBatchFile(FormControls& form) {
  if (!FolderAndListValid(form.Edit_EnfuseSource, form.Editor2)) return;

  const std::string batch_path = form.Edit_EnfuseSource.Text() + form.BatFileName();
  const int32_t bracket_size = form.EnfuseBracket();
  std::vector<std::vector<std::string>> brackets;
  std::vector<std::string> bracket;
  const int count = form.Editor2.LineCount();
  for (int i = 0; i < count; ++i) {
    bracket.push_back(ExtractFileName(form.Editor2.Line(i)));
    if (static_cast<int64_t>(bracket.size()) == bracket_size) {
      brackets.push_back(std::move(bracket));
      bracket.clear();
    }
  }
  WriteWholeFile(batch_path, EnfuseBatchText(brackets, form.EnfuseOption()));
  form.SetStatusText(kCompleteText);
}

}  // namespace quillo
