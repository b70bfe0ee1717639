// Conversions between every pair of pixel formats, checked pixel by pixel against the colours
// each format can hold.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "support/bmp_test_support.h"

namespace quillo {
namespace {

using testing::ColorAt;
using testing::SetColor;

const std::vector<uint32_t> kColors = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0x800000,
                                       0xC0C0C0, 0x336699, 0xC86432, 0x0882FA, 0x7F7F7F, 0x010203};

uint32_t Nearest(uint32_t color, const TPalette& palette) {
  uint32_t best = 0;
  int best_distance = std::numeric_limits<int>::max();
  for (const TPaletteEntry& e : palette.entries) {
    const int dr = e.red - static_cast<int>(color >> 16);
    const int dg = e.green - static_cast<int>(color >> 8 & 0xFF);
    const int db = e.blue - static_cast<int>(color & 0xFF);
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < best_distance) {
      best_distance = distance;
      best = static_cast<uint32_t>(e.red) << 16 | e.green << 8 | e.blue;
    }
  }
  return best;
}

uint32_t Narrowed(uint32_t channel, int bits) {
  const uint32_t v = channel >> (8 - bits);
  uint32_t wide = 0;
  int filled = 0;
  for (; filled < 8; filled += bits) wide = wide << bits | v;
  return wide >> (filled - 8);
}

// The colour a format keeps of a given colour.
uint32_t Held(uint32_t color, TPixelFormat format) {
  const uint32_t r = color >> 16, g = color >> 8 & 0xFF, b = color & 0xFF;
  switch (format) {
    case px1Bit:
      return Nearest(color, TPalette{{{0, 0, 0}, {255, 255, 255}}});
    case px4Bit:
      return Nearest(color, *SixteenColorPalette());
    case px8Bit:
      return Nearest(color, *HalftonePalette());
    case px15Bit:
      return Narrowed(r, 5) << 16 | Narrowed(g, 5) << 8 | Narrowed(b, 5);
    case px16Bit:
      return Narrowed(r, 5) << 16 | Narrowed(g, 6) << 8 | Narrowed(b, 5);
    default:
      return color;
  }
}

const TPixelFormat kFormats[] = {pxDevice, px1Bit,  px4Bit,  px8Bit,
                                 px15Bit,  px16Bit, px24Bit, px32Bit};

std::string Name(TPixelFormat format) {
  static const char* const names[] = {"Device", "1Bit",  "4Bit",  "8Bit",  "15Bit",
                                      "16Bit",  "24Bit", "32Bit", "Custom"};
  return names[format];
}

class Conversion : public ::testing::TestWithParam<std::tuple<TPixelFormat, TPixelFormat>> {};

TEST_P(Conversion, KeepsWhatTheTargetCanHold) {
  const auto [from, to] = GetParam();
  const auto width = static_cast<int32_t>(kColors.size());
  TBitmap bitmap;
  bitmap.SetPixelFormat(px24Bit);
  bitmap.SetWidth(width);
  bitmap.SetHeight(2);
  for (int32_t x = 0; x < width; ++x) SetColor(bitmap, x, 0, kColors[x]);

  bitmap.SetPixelFormat(from);
  bitmap.SetPixelFormat(to);
  EXPECT_EQ(bitmap.PixelFormat(), to);
  for (int32_t x = 0; x < width; ++x) {
    const uint32_t expected = Held(Held(kColors[x], from), to);
    EXPECT_EQ(ColorAt(bitmap, x, 0), expected) << "colour " << std::hex << kColors[x];
    EXPECT_EQ(ColorAt(bitmap, x, 1), Held(Held(0xFFFFFF, from), to));
    if (to == px32Bit) {
      EXPECT_EQ(bitmap.RowAddress(0)[4 * x + 3], 0) << "fourth byte";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryPair, Conversion,
                         ::testing::Combine(::testing::ValuesIn(kFormats),
                                            ::testing::ValuesIn(kFormats)),
                         [](const auto& info) {
                           return Name(std::get<0>(info.param)) + "To" +
                                  Name(std::get<1>(info.param));
                         });

}  // namespace
}  // namespace quillo
