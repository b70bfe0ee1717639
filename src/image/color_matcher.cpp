#include "image/color_matcher.h"

#include <algorithm>
#include <limits>

namespace quillo {
namespace {

constexpr int kCacheBits = 16;
constexpr uint64_t kValid = uint64_t{1} << 24;

}  // namespace

TColorMatcher::TColorMatcher(const TColorTable& table, int count)
    : cache_(size_t{1} << kCacheBits) {
  count = std::clamp(count, 1, kMaxColors);
  colors_.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i)
    colors_.push_back(MakeColor(table[i].red, table[i].green, table[i].blue));
}

uint8_t TColorMatcher::Nearest(uint32_t color) {
  color &= 0xFFFFFF;
  const uint32_t slot = ((color * 0x9E3779B1u) >> (32 - kCacheBits));
  const uint64_t cached = cache_[slot];
  if ((cached & 0x1FFFFFF) == (color | kValid)) return static_cast<uint8_t>(cached >> 25);
  const uint8_t index = Search(color);
  cache_[slot] = color | kValid | uint64_t{index} << 25;
  return index;
}

uint8_t TColorMatcher::Search(uint32_t color) const {
  const int r = static_cast<int>(color >> 16);
  const int g = static_cast<int>(color >> 8 & 0xFF);
  const int b = static_cast<int>(color & 0xFF);
  int best = 0;
  int best_distance = std::numeric_limits<int>::max();
  for (size_t i = 0; i < colors_.size(); ++i) {
    const uint32_t c = colors_[i];
    const int dr = static_cast<int>(c >> 16) - r;
    const int dg = static_cast<int>(c >> 8 & 0xFF) - g;
    const int db = static_cast<int>(c & 0xFF) - b;
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < best_distance) {
      best_distance = distance;
      best = static_cast<int>(i);
      if (distance == 0) break;
    }
  }
  return static_cast<uint8_t>(best);
}

}  // namespace quillo
