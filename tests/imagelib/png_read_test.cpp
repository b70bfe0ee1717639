// PNG files written by libpng: the properties the reader reports, the picture layout each colour
// type loads into, and each kind of damage refused with the reader's error.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "imagelib/formats/png_graphic.h"
#include "platform/errors.h"
#include "support/bmp_test_support.h"
#include "support/png_test_support.h"

namespace quillo {
namespace {

using testing::PngLayout;
using testing::PngSampleRows;
using testing::WritePng;

std::string BigEndian32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}

std::string Chunk(const std::string& type, const std::string& data) {
  const std::string body = type + data;
  const auto crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size());
  return BigEndian32(static_cast<uint32_t>(data.size())) + body +
         BigEndian32(static_cast<uint32_t>(crc));
}

// A PNG built chunk by chunk, for headers libpng's writer would refuse to make.
std::string RawPng(uint32_t width, uint32_t height, int depth, int color_type,
                   const std::string& between, const std::string& pixels) {
  const std::string header =
      BigEndian32(width) + BigEndian32(height) +
      std::string{static_cast<char>(depth), static_cast<char>(color_type), 0, 0, 0};
  std::string compressed(compressBound(pixels.size()), '\0');
  uLongf size = compressed.size();
  compress(reinterpret_cast<Bytef*>(compressed.data()), &size,
           reinterpret_cast<const Bytef*>(pixels.data()), pixels.size());
  compressed.resize(size);
  return "\x89PNG\r\n\x1a\n" + Chunk("IHDR", header) + between + Chunk("IDAT", compressed) +
         Chunk("IEND", "");
}

void Load(TPNGGraphic& png, const std::string& bytes) {
  TMemoryStream stream = testing::StreamOf(bytes);
  png.LoadFromStream(stream);
}

TEST(PngRead, PropertiesOfAnInterlacedImageWithAlpha) {
  const PngLayout layout{
      .width = 5, .height = 3, .bit_depth = 16, .color_type = 6, .interlaced = true};
  TPNGGraphic png;
  Load(png, WritePng(layout, PngSampleRows(layout)));
  const TImageProperties& p = png.Properties();
  EXPECT_EQ(p.Width, 5);
  EXPECT_EQ(p.Height, 3);
  EXPECT_EQ(p.ColorModel, cmRGBA);
  EXPECT_EQ(p.BitsPerSample, 16);
  EXPECT_EQ(p.SamplesPerPixel, 4);
  EXPECT_EQ(p.BitsPerPixel, 64);
  EXPECT_EQ(p.Compression, ctDeflate);
  EXPECT_TRUE(p.RowsInterlaced);
  EXPECT_TRUE(p.HasAlphaChannel);
  EXPECT_EQ(p.Gamma, 1.0f);
  EXPECT_EQ(png.PixelFormat(), px24Bit);
}

struct LayoutCase {
  int bit_depth;
  int color_type;
  TPixelFormat format;
};

TEST(PngRead, EachColourTypeLoadsIntoItsLayout) {
  const std::vector<uint8_t> palette = {10, 20, 30, 40, 50, 60, 70, 80, 90};
  for (const LayoutCase& c :
       {LayoutCase{1, 0, px1Bit}, LayoutCase{2, 0, px4Bit}, LayoutCase{4, 0, px4Bit},
        LayoutCase{16, 0, px8Bit}, LayoutCase{8, 4, px8Bit}, LayoutCase{1, 3, px1Bit},
        LayoutCase{2, 3, px4Bit}, LayoutCase{4, 3, px4Bit}, LayoutCase{8, 3, px8Bit},
        LayoutCase{16, 2, px24Bit}}) {
    SCOPED_TRACE(std::to_string(c.bit_depth) + "-bit type " + std::to_string(c.color_type));
    PngLayout layout{
        .width = 13, .height = 4, .bit_depth = c.bit_depth, .color_type = c.color_type};
    if (c.color_type == 3) {
      layout.palette.assign(palette.begin(), palette.begin() + 3 * std::min(3, 1 << c.bit_depth));
    }
    TPNGGraphic png;
    Load(png, WritePng(layout, PngSampleRows(layout)));
    EXPECT_EQ(png.PixelFormat(), c.format);
    EXPECT_EQ(png.Width(), 13);
  }
}

TEST(PngRead, PaletteIndicesAndSixteenBitGraysKeepTheirColours) {
  PngLayout palette{.width = 4,
                    .height = 1,
                    .bit_depth = 2,
                    .color_type = 3,
                    .palette = {255, 0, 0, 0, 255, 0, 0, 0, 255}};
  TPNGGraphic png;
  Load(png, WritePng(palette, {{0b00011000}}));
  EXPECT_EQ(testing::ColorAt(png, 0, 0), 0xFF0000u);
  EXPECT_EQ(testing::ColorAt(png, 1, 0), 0x00FF00u);
  EXPECT_EQ(testing::ColorAt(png, 2, 0), 0x0000FFu);

  const PngLayout gray{.width = 3, .height = 1, .bit_depth = 16, .color_type = 0};
  Load(png, WritePng(gray, {{0x00, 0x80, 0x80, 0x80, 0xFE, 0x00}}));
  EXPECT_EQ(testing::ColorAt(png, 0, 0), 0x000000u);
  EXPECT_EQ(testing::ColorAt(png, 1, 0), 0x808080u);
  EXPECT_EQ(testing::ColorAt(png, 2, 0), 0xFDFDFDu);
}

struct DamageCase {
  const char* name;
  std::string bytes;
};

TEST(PngRead, DamageIsRefusedAndLeavesTheBitmapEmpty) {
  const PngLayout layout{.width = 40, .height = 30, .color_type = 2};
  const std::string good = WritePng(layout, PngSampleRows(layout));
  std::string header_crc = good;
  header_crc[29] ^= 1;
  std::string data_crc = good;
  data_crc[good.size() - 20] ^= 1;
  const std::string pixels(3 * 2 + 2, '\0');
  const std::vector<DamageCase> cases = {
      {"ImageDataEndEarly", good.substr(0, good.size() / 2)},
      {"HeaderChecksumWrong", header_crc},
      {"ImageDataChecksumWrong", data_crc},
      {"NoImageData", good.substr(0, 33) + Chunk("IEND", "")},
      {"ZeroWidth", RawPng(0, 2, 8, 0, "", pixels)},
      {"DepthNotAllowedForColourType", RawPng(1, 2, 3, 0, "", pixels)},
      {"PaletteMissing", RawPng(1, 2, 8, 3, "", pixels)},
      {"ImageDataTooShort", RawPng(4, 4, 8, 2, "", pixels)},
      {"SizeBeyondTheStoreLimits", RawPng(20000, 20000, 8, 0, "", pixels)},
  };
  for (const DamageCase& c : cases) {
    SCOPED_TRACE(c.name);
    TPNGGraphic png;
    Load(png, good);
    try {
      Load(png, c.bytes);
      ADD_FAILURE() << "loaded";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Invalid PNG image: ", 0), 0u) << e.what();
    }
    EXPECT_TRUE(png.Empty());
  }
}

TEST(PngRead, ReadPropertiesSaysFalseForDamagedHeaders) {
  TPNGGraphic png;
  TMemoryStream stream = testing::StreamOf(RawPng(0, 2, 8, 0, "", "xx"));
  EXPECT_FALSE(png.ReadProperties(stream, 0));
  EXPECT_EQ(png.Properties().Width, 0);
  EXPECT_EQ(png.Properties().Gamma, 1.0f);
}

}  // namespace
}  // namespace quillo
