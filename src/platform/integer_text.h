// The one rule by which an edit text becomes an integer, and plain decimal writing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillo {

// Optional leading blanks, an optional sign, then decimal digits in the signed 32-bit range or
// hexadecimal digits (at most 32 bits, two's complement) after "$", "x", "X", "0x" or "0X", and
// nothing else. Anything else, full-width digits included, is not an integer.
std::optional<int32_t> ParseInteger(std::string_view text);
int32_t StrToIntDef(std::string_view text, int32_t fallback);
std::string IntToStr(int64_t value);

}  // namespace quillo
