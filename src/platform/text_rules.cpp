#include "platform/text_rules.h"

namespace quillo {
namespace {

TextRules g_rules(trNative);

// The length of the well-formed UTF-8 sequence that starts at pos, or 1 when none does: a byte
// of another code page (Latin-1 0xE9, say) is a character of its own and never swallows the
// "." or "/" after it.
size_t Utf8Length(std::string_view text, size_t pos) {
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[pos + k]); };
  const uint8_t lead = byte(0);
  size_t length = 1;
  uint8_t low = 0x80;  // the range of the second byte; later ones are always 0x80 to 0xBF
  uint8_t high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing beyond U+10FFFF
  }
  if (length == 1 || text.size() - pos < length) return 1;
  if (byte(1) < low || byte(1) > high) return 1;
  for (size_t k = 2; k < length; ++k) {
    if ((byte(k) & 0xC0) != 0x80) return 1;
  }
  return length;
}

bool IsShiftJisLead(uint8_t byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

}  // namespace

size_t TextRules::CharLength(std::string_view text, size_t pos) const {
  if (set_ == trNative) return Utf8Length(text, pos);
  const size_t wanted = IsShiftJisLead(static_cast<uint8_t>(text[pos])) ? 2 : 1;
  const size_t left = text.size() - pos;
  return wanted < left ? wanted : left;
}

bool TextRules::IsPathSeparator(char c) const {
  return set_ == trNative ? c == '/' : (c == '\\' || c == ':');
}

const TextRules& CurrentTextRules() { return g_rules; }

ScopedTextRules::ScopedTextRules(TextRuleSet set) : previous_(g_rules.Set()) {
  g_rules = TextRules(set);
}

ScopedTextRules::~ScopedTextRules() { g_rules = TextRules(previous_); }

}  // namespace quillo
