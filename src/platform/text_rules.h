// The process-wide rules of the system code page: character lengths and path separators.
// Native rules are UTF-8 with "/"; the Windows-Japanese rules (Shift-JIS, "\" and ":") exist so
// that the double-byte behaviour of the path routines can be checked exactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillo {

enum TextRuleSet : uint8_t { trNative, trWindowsJapanese };

class TextRules {
 public:
  explicit TextRules(TextRuleSet set) : set_(set) {}

  TextRuleSet Set() const { return set_; }
  // Number of bytes of the character that starts at byte offset pos (at least 1, never past
  // the end of the text).
  size_t CharLength(std::string_view text, size_t pos) const;
  // Whether a single-byte character separates path parts.
  bool IsPathSeparator(char c) const;
  // The separator appended between a folder and a name.
  char Delimiter() const { return set_ == trNative ? '/' : '\\'; }

 private:
  TextRuleSet set_;
};

const TextRules& CurrentTextRules();

// Switches the process-wide rules for the lifetime of the guard.
class ScopedTextRules {
 public:
  explicit ScopedTextRules(TextRuleSet set);
  ~ScopedTextRules();
  ScopedTextRules(const ScopedTextRules&) = delete;
  ScopedTextRules& operator=(const ScopedTextRules&) = delete;

 private:
  TextRuleSet previous_;
};

// Calls visit(offset, length) for each character of the text, first to last.
template <typename Visit>
void ForEachChar(std::string_view text, Visit visit) {
  const TextRules& rules = CurrentTextRules();
  for (size_t pos = 0; pos < text.size();) {
    const size_t length = rules.CharLength(text, pos);
    visit(pos, length);
    pos += length;
  }
}

}  // namespace quillo
