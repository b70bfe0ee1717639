#include "image/palette.h"

#include <algorithm>

namespace quillo {

TPaletteRef MakePalette(std::vector<TPaletteEntry> entries) {
  if (entries.size() > kMaxColors) entries.resize(kMaxColors);
  return std::make_shared<const TPalette>(TPalette{std::move(entries)});
}

TPaletteRef PaletteFromColorTable(const TColorTable& table, int count) {
  std::vector<TPaletteEntry> entries;
  entries.reserve(static_cast<size_t>(std::clamp(count, 0, kMaxColors)));
  for (int i = 0; i < count && i < kMaxColors; ++i) {
    entries.push_back({table[i].red, table[i].green, table[i].blue});
  }
  return MakePalette(std::move(entries));
}

int PaletteToColorTable(const TPalette& palette, TColorTable& table) {
  const int count = static_cast<int>(std::min<size_t>(palette.entries.size(), kMaxColors));
  for (int i = 0; i < count; ++i) {
    const TPaletteEntry& e = palette.entries[i];
    table[i] = {e.blue, e.green, e.red, 0};
  }
  return count;
}

const TPaletteRef& SixteenColorPalette() {
  static const TPaletteRef palette = MakePalette({
      {0, 0, 0},
      {128, 0, 0},
      {0, 128, 0},
      {128, 128, 0},
      {0, 0, 128},
      {128, 0, 128},
      {0, 128, 128},
      {128, 128, 128},
      {192, 192, 192},
      {255, 0, 0},
      {0, 255, 0},
      {255, 255, 0},
      {0, 0, 255},
      {255, 0, 255},
      {0, 255, 255},
      {255, 255, 255},
  });
  return palette;
}

const TPaletteRef& HalftonePalette() {
  static const TPaletteRef palette = [] {
    std::vector<TPaletteEntry> entries;
    entries.reserve(kMaxColors);
    for (int r = 0; r < 6; ++r) {
      for (int g = 0; g < 6; ++g) {
        for (int b = 0; b < 6; ++b) {
          entries.push_back({static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51),
                             static_cast<uint8_t>(b * 51)});
        }
      }
    }
    // Greys at steps of 255 / 45, leaving out every ninth, which the cube already holds.
    for (int k = 1; k < 45; ++k) {
      if (k % 9 == 0) continue;
      const auto v = static_cast<uint8_t>((255 * k + 22) / 45);
      entries.push_back({v, v, v});
    }
    return MakePalette(std::move(entries));
  }();
  return palette;
}

}  // namespace quillo
