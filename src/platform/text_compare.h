// Stand-ins for the locale's case-insensitive comparison and upper-casing.
#pragma once

#include <string>
#include <string_view>

namespace quillo {

// Negative, zero or positive. ASCII letters compare without case; every other byte compares by
// its unsigned value.
int CompareTextIgnoreCase(std::string_view a, std::string_view b);
bool SameTextIgnoreCase(std::string_view a, std::string_view b);
// Upper-cases the single-byte ASCII letters; the bytes of multi-byte characters stay as they are.
std::string UpperCase(std::string_view text);
// Whether UpperCase(text) equals upper, without making the upper-cased copy.
bool UpperCaseEquals(std::string_view text, std::string_view upper);

}  // namespace quillo
