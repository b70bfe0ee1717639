// Nearest-colour search in a colour table, for pictures converted into an indexed format.
#pragma once

#include <cstdint>
#include <vector>

#include "image/dib.h"

namespace quillo {

// Colours travel between pixel layouts as 0x00RRGGBB words.
constexpr uint32_t MakeColor(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<uint32_t>(red) << 16 | static_cast<uint32_t>(green) << 8 | blue;
}
inline constexpr uint32_t kWhite = 0xFFFFFF;

class TColorMatcher {
 public:
  // Matches against the first count entries of the table (at least one).
  TColorMatcher(const TColorTable& table, int count);

  // The index of the entry nearest to the colour (squared distance in RGB; the lowest index wins
  // a tie). Photographs repeat colours a lot, so recent answers are kept in a small cache.
  uint8_t Nearest(uint32_t color);

 private:
  uint8_t Search(uint32_t color) const;

  std::vector<uint32_t> colors_;
  // Each slot holds a colour with bit 24 set when valid, and its index in bits 25 to 32.
  std::vector<uint64_t> cache_;
};

}  // namespace quillo
