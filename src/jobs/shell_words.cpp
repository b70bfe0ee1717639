#include "jobs/shell_words.h"

#include "platform/errors.h"

namespace quillo {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// The characters a backslash escapes inside double quotes; before any other it stays itself.
bool EscapedInDoubleQuotes(char c) { return c == '$' || c == '`' || c == '"' || c == '\\'; }

}  // namespace

std::string ShellQuote(std::string_view word) {
  std::string quoted = "'";
  for (const char c : word) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  quoted += '\'';
  return quoted;
}

std::vector<std::string> SplitShellWords(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;  // a quoted empty text is a word too
  size_t i = 0;
  const auto unclosed = [&](const char* kind) {
    throw Exception(Format(kUnclosedQuotePattern, {kind, text}));
  };
  while (i < text.size()) {
    const char c = text[i];
    if (IsBlank(c)) {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
      ++i;
    } else if (c == '\\') {
      in_word = true;
      if (i + 1 == text.size()) {
        word += c;
      } else if (text[i + 1] != '\n') {
        word += text[i + 1];
      }
      i += 2;
    } else if (c == '\'') {
      const size_t end = text.find('\'', i + 1);
      if (end == std::string_view::npos) unclosed("single");
      word += text.substr(i + 1, end - i - 1);
      in_word = true;
      i = end + 1;
    } else if (c == '"') {
      in_word = true;
      for (++i;; ++i) {
        if (i >= text.size()) unclosed("double");
        if (text[i] == '"') break;
        if (text[i] == '\\' && i + 1 < text.size()) {
          if (text[i + 1] == '\n') {
            ++i;
            continue;
          }
          if (EscapedInDoubleQuotes(text[i + 1])) ++i;
        }
        word += text[i];
      }
      ++i;
    } else {
      in_word = true;
      word += c;
      ++i;
    }
  }
  if (in_word) words.push_back(std::move(word));
  return words;
}

}  // namespace quillo
