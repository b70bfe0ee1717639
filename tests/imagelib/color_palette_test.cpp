// Colour palettes from every layout a reader hands over, in both orders, with gamma, byte
// swapping and resampling to a shallower target depth.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imagelib/color_manager.h"
#include "platform/errors.h"

namespace quillo {
namespace {

const std::vector<TPaletteEntry> kColors = {
    {10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {200, 210, 220}};

// A colour as 16 bits that narrows back to it exactly.
uint16_t Word(uint8_t v) { return static_cast<uint16_t>(v << 8 | 0xFF); }

void PutWord(std::vector<uint8_t>& data, uint16_t w, bool big_endian) {
  data.push_back(static_cast<uint8_t>(big_endian ? w >> 8 : w));
  data.push_back(static_cast<uint8_t>(big_endian ? w : w >> 8));
}

// The colours laid out as `format` stores them; `reversed` and `big_endian` as the reader says.
std::vector<std::vector<uint8_t>> Layout(TRawPaletteFormat format, bool reversed, bool big_endian,
                                         const std::vector<TPaletteEntry>& colors) {
  const bool words = format >= rpWords3;
  const auto put = [&](std::vector<uint8_t>& data, uint8_t v) {
    if (words) {
      PutWord(data, Word(v), big_endian);
    } else {
      data.push_back(v);
    }
  };
  if (format == rpBytePlanes3 || format == rpBytePlanes4 || format == rpWordPlanes3 ||
      format == rpWordPlanes4) {
    std::vector<std::vector<uint8_t>> planes(3);
    for (const TPaletteEntry& c : colors) {
      put(planes[0], c.red);
      put(planes[1], c.green);
      put(planes[2], c.blue);
    }
    return planes;
  }
  const bool red_first = words == reversed;
  std::vector<uint8_t> data;
  for (const TPaletteEntry& c : colors) {
    put(data, red_first ? c.red : c.blue);
    put(data, c.green);
    put(data, red_first ? c.blue : c.red);
    if (format == rpBytes4 || format == rpWords4) put(data, 0x77);
  }
  return {data};
}

std::vector<const uint8_t*> Pointers(const std::vector<std::vector<uint8_t>>& planes) {
  std::vector<const uint8_t*> pointers;
  for (const auto& p : planes) pointers.push_back(p.data());
  return pointers;
}

struct FormatCase {
  TRawPaletteFormat format;
  bool reversed;
  bool big_endian;
};

std::string Name(const FormatCase& c) {
  static const char* const names[] = {"Bytes3", "Bytes4", "BytePlanes3", "BytePlanes4",
                                      "Words3", "Words4", "WordPlanes3", "WordPlanes4"};
  return std::string(names[c.format]) + (c.reversed ? "Reversed" : "") +
         (c.big_endian ? "BigEndian" : "");
}

class ColorPalette : public ::testing::TestWithParam<FormatCase> {
 protected:
  TPaletteRef Make(TColorManager& manager, int count,
                   const std::vector<TPaletteEntry>& colors = kColors) {
    const FormatCase& c = GetParam();
    if (c.big_endian) manager.SetSourceOptions(opSwapBytes);
    const auto planes = Layout(c.format, c.reversed, c.big_endian, colors);
    return manager.MakeColorPalette(Pointers(planes), c.format, count, c.reversed);
  }
};

TEST_P(ColorPalette, TakesTheColoursInTheirOrder) {
  TColorManager manager;
  EXPECT_EQ(Make(manager, 4)->entries, kColors);
  EXPECT_EQ(Make(manager, 2)->entries, std::vector(kColors.begin(), kColors.begin() + 2));
}

TEST_P(ColorPalette, PassesEveryColourThroughTheGammaTable) {
  TColorManager manager;
  manager.SetTargetOptions(opGamma);
  std::vector<TPaletteEntry> expected;
  for (const TPaletteEntry& c : kColors) {
    const auto& g = manager.GammaTable();
    expected.push_back({g[c.red], g[c.green], g[c.blue]});
  }
  EXPECT_EQ(Make(manager, 4)->entries, expected);
}

TEST_P(ColorPalette, ResamplesToTheTargetDepth) {
  TColorManager manager;
  // A wider target holds the indexes as they are: the colours stay at theirs.
  manager.SetSourceBitsPerSample(2);
  manager.SetTargetBitsPerSample(4);
  EXPECT_EQ(Make(manager, 4)->entries, kColors);

  // Down from 16 bits, entry i stands for source index 257 i, which only 0 of 4 reaches.
  manager.SetSourceBitsPerSample(16);
  manager.SetTargetBitsPerSample(8);
  const TPaletteRef narrower = Make(manager, 4);
  ASSERT_EQ(narrower->entries.size(), 256u);
  EXPECT_EQ(narrower->entries[0], kColors[0]);
  EXPECT_EQ(narrower->entries[1], TPaletteEntry{});

  // Targets above 8 bits and equal depths keep the colours as they are.
  for (const auto& [source, target] : {std::pair{8, 16}, {2, 2}}) {
    manager.SetSourceBitsPerSample(static_cast<uint8_t>(source));
    manager.SetTargetBitsPerSample(static_cast<uint8_t>(target));
    EXPECT_EQ(Make(manager, 4)->entries, kColors) << source << " to " << target;
  }
}

TEST_P(ColorPalette, KeepsAtMost256Colours) {
  std::vector<TPaletteEntry> many(300);
  for (size_t i = 0; i < many.size(); ++i) many[i] = {static_cast<uint8_t>(i), 1, 2};
  TColorManager manager;
  const TPaletteRef palette = Make(manager, 300, many);
  ASSERT_EQ(palette->entries.size(), 256u);
  EXPECT_EQ(palette->entries[255], many[255]);
  EXPECT_TRUE(Make(manager, 0)->entries.empty());
  EXPECT_TRUE(Make(manager, -3)->entries.empty());
}

std::vector<FormatCase> FormatCases() {
  std::vector<FormatCase> cases;
  for (int f = rpBytes3; f <= rpWordPlanes4; ++f) {
    const auto format = static_cast<TRawPaletteFormat>(f);
    for (bool reversed : {false, true}) cases.push_back({format, reversed, false});
    if (format >= rpWords3) cases.push_back({format, false, true});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Formats, ColorPalette, ::testing::ValuesIn(FormatCases()),
                         [](const auto& info) { return Name(info.param); });

TEST(ColorPaletteLayout, PlanarFormatWithOnePlaneIsRefused) {
  TColorManager manager;
  const std::vector<uint8_t> data(12);
  const uint8_t* planes[] = {data.data()};
  try {
    manager.MakeColorPalette(planes, rpWordPlanes3, 2, false);
    ADD_FAILURE() << "no error";
  } catch (const EColorConversionError& e) {
    EXPECT_EQ(e.Message(), kSampleCountMessage);
  }
}

}  // namespace
}  // namespace quillo
