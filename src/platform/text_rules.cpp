#include "platform/text_rules.h"

namespace quillo {
namespace {

TextRules g_rules(trNative);

size_t Utf8Length(uint8_t lead) {
  if (lead >= 0xF0 && lead <= 0xF7) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC0) return 2;
  return 1;
}

bool IsShiftJisLead(uint8_t byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

}  // namespace

size_t TextRules::CharLength(std::string_view text, size_t pos) const {
  const auto lead = static_cast<uint8_t>(text[pos]);
  const size_t wanted = set_ == trNative ? Utf8Length(lead) : (IsShiftJisLead(lead) ? 2 : 1);
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
