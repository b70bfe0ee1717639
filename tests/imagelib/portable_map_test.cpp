// Portable maps: every kind loads to the colours its samples mean, headers are read with their
// comments, and each kind of damage is refused with the reader's error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imagelib/formats/portable_map.h"
#include "platform/errors.h"
#include "support/bmp_test_support.h"

namespace quillo {
namespace {

using namespace std::string_literals;

constexpr uint32_t B = 0x000000;
constexpr uint32_t W = 0xFFFFFF;

struct PixelCase {
  const char* name;
  std::string bytes;
  int32_t width;
  TPixelFormat format;
  std::vector<uint32_t> colors;  // rows top to bottom
};

std::vector<uint32_t> Colors(TPPMGraphic& map) {
  std::vector<uint32_t> colors;
  for (int32_t y = 0; y < map.Height(); ++y) {
    for (int32_t x = 0; x < map.Width(); ++x) colors.push_back(testing::ColorAt(map, x, y));
  }
  return colors;
}

TEST(PortableMap, LoadsEveryKind) {
  const std::vector<PixelCase> cases = {
      {"PlainBitmap", "P1\n# c\n3 2\n1 0 1\n010\n", 3, px1Bit, {B, W, B, W, B, W}},
      {"PlainBitmapWithoutSpaces", "P1 3 1 011", 3, px1Bit, {W, B, B}},
      {"RawBitmap", "P4\n10 2\n\xAA\xC0\x55\x40"s, 10, px1Bit, {B, W, B, W, B, W, B, W, B, B,
                                                                W, B, W, B, W, B, W, B, W, B}},
      {"PlainGrayScaled",
       "P2 2 2 15\n0 5\n10 15\n",
       2,
       px8Bit,
       {0x000000, 0x555555, 0xAAAAAA, 0xFFFFFF}},
      {"RawGrayWithComments",
       "P5\n#a\n2 1\n# b c\n255\n\x10\x20"s,
       2,
       px8Bit,
       {0x101010, 0x202020}},
      {"RawGraySixteenBits", "P5 2 1 65535\n\x12\x34\xFF\xFF"s, 2, px8Bit, {0x121212, 0xFFFFFF}},
      {"PlainPixels", "P3\n2 1\n255\n255 0 0 0 0 255\n", 2, px24Bit, {0xFF0000, 0x0000FF}},
      {"RawPixelsWideMaximum", "P6 1 1 1000\n\x03\xE8\x01\xF4\x00\x00"s, 1, px24Bit, {0xFF8000}},
      {"SampleAboveMaximumClamps", "P2 2 1 10\n99 5\n", 2, px8Bit, {0xFFFFFF, 0x808080}},
  };
  for (const PixelCase& c : cases) {
    SCOPED_TRACE(c.name);
    TMemoryStream stream = testing::StreamOf("xyz" + c.bytes);
    stream.SetPosition(3);
    TPPMGraphic map;
    map.LoadFromStream(stream);
    EXPECT_EQ(map.Width(), c.width);
    EXPECT_EQ(map.PixelFormat(), c.format);
    EXPECT_EQ(Colors(map), c.colors);
    EXPECT_EQ(map.StartPosition(), 3);
  }
}

TEST(PortableMap, PropertiesDescribeTheSamples) {
  TPPMGraphic map;
  TMemoryStream pixels = testing::StreamOf("P6 3 2 4095\n" + std::string(36, '\x01'));
  ASSERT_TRUE(map.ReadProperties(pixels, 0));
  const TImageProperties& p = map.Properties();
  EXPECT_EQ(p.FormatVersion, 6u);
  EXPECT_EQ(p.Width, 3);
  EXPECT_EQ(p.Height, 2);
  EXPECT_EQ(p.ColorModel, cmRGB);
  EXPECT_EQ(p.BitsPerSample, 16);
  EXPECT_EQ(p.SamplesPerPixel, 3);
  EXPECT_EQ(p.BitsPerPixel, 48);
  EXPECT_EQ(p.Compression, ctNone);
  EXPECT_EQ(p.Gamma, 1.0f);
  EXPECT_EQ(p.Flags, 0);
  EXPECT_FALSE(map.ReadProperties(pixels, 1));

  TMemoryStream bitmap = testing::StreamOf("P4 8 1\n\x0F");
  ASSERT_TRUE(map.ReadProperties(bitmap, 0));
  EXPECT_EQ(map.Properties().Flags, MinIsWhite);
  EXPECT_EQ(map.Properties().BitsPerPixel, 1);
}

struct DamageCase {
  const char* name;
  std::string bytes;
};

TEST(PortableMap, DamageIsRefusedAndLeavesTheBitmapEmpty) {
  const std::vector<DamageCase> cases = {
      {"RawSamplesEndEarly", "P6 2 2 255\n" + std::string(11, '\x01')},
      {"PlainSamplesEndEarly", "P2 2 2 255\n1 2 3"},
      {"PlainSampleNotANumber", "P3 1 1 255\n1 x 3\n"},
      {"PlainBitmapDigitTwo", "P1 2 1\n1 2\n"},
      {"ZeroWidth", "P5 0 1 255\n\x01"},
      {"MissingMaximum", "P5 1 1\n"},
      {"ZeroMaximum", "P2 1 1 0\n0\n"},
      {"MaximumBeyondSixteenBits", "P5 1 1 65536\n\x01\x01"},
      {"NoSpaceAfterMaximum", "P5 1 1 255"},
      {"WidthBeyondThirtyOneBits", "P5 99999999999 1 255\n\x01"},
      {"SizeBeyondTheStoreLimits", "P5 100000 100000 255\n\x01"},
      {"UnknownKind", "P7 1 1 255\n\x01"},
      {"NotAMap", "GIF89a"},
  };
  for (const DamageCase& c : cases) {
    SCOPED_TRACE(c.name);
    TPPMGraphic map;
    TMemoryStream good = testing::StreamOf("P5 1 1 255\n\x01");
    map.LoadFromStream(good);
    TMemoryStream stream = testing::StreamOf(c.bytes);
    try {
      map.LoadFromStream(stream);
      ADD_FAILURE() << "loaded";
    } catch (const EInvalidGraphic& e) {
      EXPECT_STREQ(e.what(), kInvalidPortableMapMessage);
    }
    EXPECT_TRUE(map.Empty());
  }
}

}  // namespace
}  // namespace quillo
