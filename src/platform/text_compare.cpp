#include "platform/text_compare.h"

#include <algorithm>

#include "platform/text_rules.h"

namespace quillo {
namespace {

unsigned char Fold(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 'a' + 'A') : u;
}

}  // namespace

int CompareTextIgnoreCase(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    if (a[i] == b[i]) continue;
    const unsigned char x = Fold(a[i]);
    const unsigned char y = Fold(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameTextIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareTextIgnoreCase(a, b) == 0;
}

std::string UpperCase(std::string_view text) {
  std::string result(text);
  ForEachChar(text, [&](size_t pos, size_t length) {
    if (length == 1) result[pos] = static_cast<char>(Fold(text[pos]));
  });
  return result;
}

bool UpperCaseEquals(std::string_view text, std::string_view upper) {
  if (text.size() != upper.size()) return false;
  bool equal = true;
  ForEachChar(text, [&](size_t pos, size_t length) {
    if (length == 1) {
      equal = equal && Fold(text[pos]) == static_cast<unsigned char>(upper[pos]);
    } else {
      equal = equal && text.substr(pos, length) == upper.substr(pos, length);
    }
  });
  return equal;
}

}  // namespace quillo
