// Files that libtiff writes, in every colour layout, depth, compression, byte order and strip
// layout the reader loads, must load to the pixels libtiff itself reads from them: through its
// RGBA interface, or from its samples where that interface has no answer or converts otherwise.
#include <gtest/gtest.h>
#include <tiff.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "imagelib/color_manager.h"
#include "imagelib/tiff/tiff_graphic.h"
#include "support/bmp_test_support.h"
#include "support/temp_dir.h"
#include "tiff_oracle.h"

namespace quillo {
namespace {

using testing::TiffFields;

enum Oracle {
  kRgba,            // libtiff's RGBA interface, colours only
  kRgbaAlpha,       // the same with the alpha sample
  kGraySamples,     // libtiff's gray samples scaled to 8 bits
  kRgbSamples,      // libtiff's RGB samples widened to 8 bits
  kPaletteSamples,  // libtiff's index samples (alpha dropped) through the colour map
  kConverted,       // libtiff's samples through a converter set up as the reader sets it up
  kWritten,         // the samples as written (libtiff misreads its own word-aligned fax rows)
};

struct ReaderCase {
  const char* name;
  TiffFields fields;
  Oracle oracle = kRgba;
  int tolerance = 0;
};

std::vector<uint16_t> ColorMap(int bits) {
  std::vector<uint16_t> map(3 * (size_t{1} << bits));
  for (size_t i = 0; i < map.size(); ++i) map[i] = static_cast<uint16_t>((i * 73 + 11) % 256 * 257);
  return map;
}

int Channel(uint32_t color, int shift) { return static_cast<int>(color >> shift & 0xFF); }

void ExpectNear(uint32_t ours, uint32_t expected, int tolerance, int x, int y) {
  for (int shift : {0, 8, 16}) {
    if (std::abs(Channel(ours, shift) - Channel(expected, shift)) > tolerance) {
      ADD_FAILURE() << "pixel " << x << "," << y << ": ours " << std::hex << ours << ", expected "
                    << expected;
      return;
    }
  }
}

uint32_t Rgb(int r, int g, int b) { return static_cast<uint32_t>(r << 16 | g << 8 | b); }

// The value of sample `index` of a row of packed samples, most significant bits first; libtiff
// hands 16-bit samples over in the host's order.
uint32_t SampleAt(const uint8_t* row, int bits, size_t index) {
  if (bits == 16) {
    const uint8_t* p = row + 2 * index;
    return p[1] << 8 | p[0];
  }
  const size_t bit = index * bits;
  uint32_t v = 0;
  for (int i = 0; i < bits; ++i) {
    v = v << 1 | (row[(bit + i) / 8] >> (7 - (bit + i) % 8) & 1);
  }
  return v;
}

// v × 255 ÷ (2^bits − 1), rounded.
int To8(uint32_t v, int bits) {
  const uint32_t max = (1u << bits) - 1;
  return static_cast<int>((v * 510 + max) / (2 * max));
}

// What the pixels must be, from libtiff's reading of the file.
std::vector<uint32_t> Expected(const ReaderCase& c, const std::string& path,
                               const std::vector<uint8_t>& written) {
  const TiffFields& f = c.fields;
  std::vector<uint32_t> out(size_t{f.width} * f.height);
  if (c.oracle == kRgba || c.oracle == kRgbaAlpha) {
    const std::vector<uint32_t> rgba = testing::ReadRgba(path);
    EXPECT_EQ(rgba.size(), out.size()) << "libtiff refuses the file";
    for (size_t i = 0; i < rgba.size() && i < out.size(); ++i) {
      out[i] = Rgb(Channel(rgba[i], 0), Channel(rgba[i], 8), Channel(rgba[i], 16)) |
               (c.oracle == kRgbaAlpha ? rgba[i] & 0xFF000000 : 0);
    }
    return out;
  }
  if (c.oracle == kWritten) {
    const size_t row_bytes = (f.width + 7) / 8;
    for (uint32_t y = 0; y < f.height; ++y) {
      for (uint32_t x = 0; x < f.width; ++x) {
        const bool black = SampleAt(written.data() + y * row_bytes, 1, x);
        out[y * f.width + x] = black ? 0 : 0xFFFFFF;
      }
    }
    return out;
  }
  const std::vector<uint8_t> samples = testing::ReadSamples(path);
  EXPECT_FALSE(samples.empty()) << "libtiff cannot read the samples";
  if (samples.empty()) return out;
  const size_t row_bytes = samples.size() / f.height;
  for (uint32_t y = 0; y < f.height; ++y) {
    const uint8_t* row = samples.data() + y * row_bytes;
    if (c.oracle == kConverted) {
      TColorManager converter;
      const bool lab = f.photometric == PHOTOMETRIC_CIELAB;
      const bool alpha = !lab && f.photometric == PHOTOMETRIC_RGB;
      converter.SetSourceOptions(lab ? opLabPercentL : 0);
      converter.SetSourceBitsPerSample(static_cast<uint8_t>(f.bits));
      converter.SetTargetBitsPerSample(8);
      converter.SetSourceColorModel(lab ? cmCIELab : alpha ? cmRGBA : cmCMYK);
      converter.SetTargetColorModel(alpha ? cmBGRA : cmBGR);
      converter.SetSourceSamplesPerPixel(static_cast<uint8_t>(f.samples));
      converter.SetTargetSamplesPerPixel(alpha ? 4 : 3);
      std::vector<uint8_t> bgr(size_t{f.width} * 4);
      const uint8_t* planes[] = {row};
      converter.ConvertRow(planes, bgr.data(), f.width, 0xFF);
      for (uint32_t x = 0; x < f.width; ++x) {
        const uint8_t* p = bgr.data() + x * (alpha ? 4 : 3);
        out[y * f.width + x] = Rgb(p[2], p[1], p[0]) | (alpha ? uint32_t{p[3]} << 24 : 0);
      }
      continue;
    }
    for (uint32_t x = 0; x < f.width; ++x) {
      uint32_t& o = out[y * f.width + x];
      if (c.oracle == kGraySamples) {
        const int v = To8(SampleAt(row, f.bits, size_t{x} * f.samples), f.bits);
        o = Rgb(v, v, v);
      } else if (c.oracle == kRgbSamples) {
        int rgb[3];
        for (int s = 0; s < 3; ++s) rgb[s] = To8(SampleAt(row, f.bits, size_t{x} * 3 + s), f.bits);
        o = Rgb(rgb[0], rgb[1], rgb[2]);
      } else {
        // Every index has its own colour, also past the 256 a palette holds.
        const uint32_t index = SampleAt(row, f.bits, size_t{x} * f.samples);
        const size_t n = f.color_map.size() / 3;
        o = Rgb(f.color_map[index] >> 8, f.color_map[n + index] >> 8,
                f.color_map[2 * n + index] >> 8);
      }
    }
  }
  return out;
}

class LoadsLikeLibtiff : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(LoadsLikeLibtiff, Pixels) {
  const ReaderCase& c = GetParam();
  const TiffFields& f = c.fields;
  // Tiles are stored whole, also where they reach past the picture.
  uint32_t columns = f.width, rows = f.height;
  if (f.tile_width) {
    columns = (f.width + f.tile_width - 1) / f.tile_width * f.tile_width;
    rows = (f.height + f.tile_length - 1) / f.tile_length * f.tile_length;
  }
  // Two-dimensional fax coding needs rows that resemble the rows above them.
  const bool two_dimensional =
      f.compression == COMPRESSION_CCITTFAX4 ||
      (f.compression == COMPRESSION_CCITTFAX3 && f.t4_options & GROUP3OPT_2DENCODING);
  const std::vector<uint8_t> samples =
      two_dimensional ? testing::FaxPage(columns, rows)
      : f.bits == 1   ? testing::BilevelPattern(columns, rows)
                      : testing::Pattern(size_t{columns} * rows * f.samples * 2 + 64);
  testing::TempDir dir;
  const std::string path = dir.File("image.tif");
  testing::WriteTiff(path, f, samples);
  ASSERT_FALSE(HasFailure());

  TTIFFGraphic graphic;
  graphic.LoadFile(path);
  ASSERT_EQ(graphic.Width(), static_cast<int32_t>(f.width));
  ASSERT_EQ(graphic.Height(), static_cast<int32_t>(f.height));
  const std::vector<uint32_t> expected = Expected(c, path, samples);
  ASSERT_FALSE(HasFailure());
  const bool alpha =
      c.oracle == kRgbaAlpha || (c.oracle == kConverted && f.photometric == PHOTOMETRIC_RGB);
  if (alpha) {
    ASSERT_EQ(graphic.PixelFormat(), px32Bit);
  }
  for (uint32_t y = 0; y < f.height && !HasFailure(); ++y) {
    for (uint32_t x = 0; x < f.width && !HasFailure(); ++x) {
      const uint32_t want = expected[y * f.width + x];
      ExpectNear(testing::ColorAt(graphic, x, y), want & 0xFFFFFF, c.tolerance, x, y);
      if (alpha) {
        EXPECT_NEAR(graphic.RowAddress(y)[4 * x + 3], want >> 24, c.tolerance) << x << "," << y;
      }
    }
  }
}

constexpr uint16_t kMinIsWhite = PHOTOMETRIC_MINISWHITE;
constexpr uint16_t kMinIsBlack = PHOTOMETRIC_MINISBLACK;
constexpr uint16_t kRgb = PHOTOMETRIC_RGB;
constexpr uint16_t kPalette = PHOTOMETRIC_PALETTE;
constexpr uint16_t kCmyk = PHOTOMETRIC_SEPARATED;
constexpr uint16_t kYCbCr = PHOTOMETRIC_YCBCR;
constexpr uint16_t kLab = PHOTOMETRIC_CIELAB;
constexpr uint16_t kPackBits = COMPRESSION_PACKBITS;
constexpr uint16_t kDeflate = COMPRESSION_ADOBE_DEFLATE;
constexpr uint16_t kJpeg = COMPRESSION_JPEG;
constexpr uint16_t kLzw = COMPRESSION_LZW;

INSTANTIATE_TEST_SUITE_P(
    Files, LoadsLikeLibtiff,
    ::testing::Values(
        // Gray, every depth.
        ReaderCase{"Gray1MinIsWhiteSevenRowStrips",
                   {.width = 45,
                    .height = 20,
                    .bits = 1,
                    .photometric = kMinIsWhite,
                    .rows_per_strip = 7}},
        ReaderCase{
            "Gray2BigEndian",
            {.width = 33, .height = 9, .bits = 2, .photometric = kMinIsBlack, .big_endian = true}},
        ReaderCase{"Gray4PackBitsOneRowStrips",
                   {.width = 31,
                    .height = 6,
                    .bits = 4,
                    .photometric = kMinIsBlack,
                    .compression = kPackBits,
                    .rows_per_strip = 1}},
        ReaderCase{"Gray8MinIsWhiteDeflatePredictorBigEndian",
                   {.width = 50,
                    .height = 11,
                    .photometric = kMinIsWhite,
                    .compression = kDeflate,
                    .rows_per_strip = 7,
                    .predictor = 2,
                    .big_endian = true}},
        ReaderCase{"Gray12ScaledToEightBits",
                   {.width = 21, .height = 5, .bits = 12, .photometric = kMinIsBlack},
                   kGraySamples},
        ReaderCase{"Gray16DeflatePredictorBigEndian",
                   {.width = 40,
                    .height = 8,
                    .bits = 16,
                    .photometric = kMinIsBlack,
                    .compression = kDeflate,
                    .predictor = 2,
                    .big_endian = true},
                   kGraySamples},
        ReaderCase{"Gray16PredictorLittleEndian",
                   {.width = 40,
                    .height = 8,
                    .bits = 16,
                    .photometric = kMinIsBlack,
                    .compression = kDeflate,
                    .predictor = 2},
                   kGraySamples},
        ReaderCase{"GrayAlphaDropsTheAlpha",
                   {.width = 30,
                    .height = 7,
                    .samples = 2,
                    .photometric = kMinIsBlack,
                    .compression = kDeflate,
                    .predictor = 2,
                    .extra_samples = {2}},
                   kGraySamples},
        // Palette.
        ReaderCase{"Palette1",
                   {.width = 19,
                    .height = 4,
                    .bits = 1,
                    .photometric = kPalette,
                    .color_map = ColorMap(1)}},
        ReaderCase{"Palette2KeepsIndices",
                   {.width = 19,
                    .height = 4,
                    .bits = 2,
                    .photometric = kPalette,
                    .color_map = ColorMap(2),
                    .big_endian = true}},
        ReaderCase{"Palette4PackBits",
                   {.width = 27,
                    .height = 9,
                    .bits = 4,
                    .photometric = kPalette,
                    .compression = kPackBits,
                    .rows_per_strip = 7,
                    .color_map = ColorMap(4)}},
        ReaderCase{"Palette8BigEndian",
                   {.width = 64,
                    .height = 8,
                    .photometric = kPalette,
                    .color_map = ColorMap(8),
                    .big_endian = true}},
        ReaderCase{"Palette8WithAlpha",
                   {.width = 16,
                    .height = 5,
                    .samples = 2,
                    .photometric = kPalette,
                    .extra_samples = {2},
                    .color_map = ColorMap(8)},
                   kPaletteSamples},
        // RGB and RGBA.
        ReaderCase{
            "Rgb8SevenRowStrips",
            {.width = 37, .height = 15, .samples = 3, .photometric = kRgb, .rows_per_strip = 7}},
        ReaderCase{"Rgb8PackBitsOneRowStripsBigEndian",
                   {.width = 37,
                    .height = 5,
                    .samples = 3,
                    .photometric = kRgb,
                    .compression = kPackBits,
                    .rows_per_strip = 1,
                    .big_endian = true}},
        ReaderCase{"Rgb8Deflate",
                   {.width = 37,
                    .height = 12,
                    .samples = 3,
                    .photometric = kRgb,
                    .compression = kDeflate}},
        ReaderCase{"Rgb8DeflatePredictor",
                   {.width = 37,
                    .height = 12,
                    .samples = 3,
                    .photometric = kRgb,
                    .compression = kDeflate,
                    .rows_per_strip = 7,
                    .predictor = 2}},
        ReaderCase{"Rgb16DeflatePredictorBigEndian",
                   {.width = 20,
                    .height = 6,
                    .bits = 16,
                    .samples = 3,
                    .photometric = kRgb,
                    .compression = kDeflate,
                    .predictor = 2,
                    .big_endian = true},
                   kRgba,
                   1},
        ReaderCase{"Rgb4WidenedToTwentyFourBits",
                   {.width = 13, .height = 4, .bits = 4, .samples = 3, .photometric = kRgb},
                   kRgbSamples},
        ReaderCase{"Rgb2WidenedToTwentyFourBits",
                   {.width = 13, .height = 4, .bits = 2, .samples = 3, .photometric = kRgb},
                   kRgbSamples},
        ReaderCase{"RgbPlanar",
                   {.width = 23,
                    .height = 15,
                    .samples = 3,
                    .photometric = kRgb,
                    .rows_per_strip = 7,
                    .planar = 2}},
        ReaderCase{"RgbPlanarDeflatePredictor",
                   {.width = 23,
                    .height = 9,
                    .samples = 3,
                    .photometric = kRgb,
                    .compression = kDeflate,
                    .rows_per_strip = 4,
                    .planar = 2,
                    .predictor = 2}},
        ReaderCase{"RgbaAssociatedAlpha",
                   {.width = 17,
                    .height = 6,
                    .samples = 4,
                    .photometric = kRgb,
                    .compression = kPackBits,
                    .extra_samples = {1}},
                   kRgbaAlpha},
        ReaderCase{"RgbaUnassociatedAlpha",
                   {.width = 17,
                    .height = 6,
                    .samples = 4,
                    .photometric = kRgb,
                    .compression = kDeflate,
                    .predictor = 2,
                    .extra_samples = {2}},
                   kConverted},
        // CMYK, L*a*b*, YCbCr.
        ReaderCase{
            "Cmyk8",
            {.width = 29, .height = 10, .samples = 4, .photometric = kCmyk, .rows_per_strip = 7}},
        ReaderCase{"Cmyk8PlanarBigEndian",
                   {.width = 29,
                    .height = 10,
                    .samples = 4,
                    .photometric = kCmyk,
                    .planar = 2,
                    .big_endian = true}},
        ReaderCase{
            "Lab8",
            {.width = 25, .height = 6, .samples = 3, .photometric = kLab, .compression = kPackBits},
            kConverted},
        ReaderCase{"YCbCrSubsampled2x2OddSize",
                   {.width = 31,
                    .height = 13,
                    .samples = 3,
                    .photometric = kYCbCr,
                    .rows_per_strip = 6,
                    .subsampling = {2, 2}},
                   kRgba,
                   2},
        ReaderCase{"YCbCrSubsampled4x2Deflate",
                   {.width = 30,
                    .height = 10,
                    .samples = 3,
                    .photometric = kYCbCr,
                    .compression = kDeflate,
                    .subsampling = {4, 2}},
                   kRgba,
                   2},
        ReaderCase{
            "YCbCrSubsampled2x1",
            {.width = 30, .height = 7, .samples = 3, .photometric = kYCbCr, .subsampling = {2, 1}},
            kRgba,
            2},
        ReaderCase{
            "YCbCrNotSubsampled",
            {.width = 30, .height = 7, .samples = 3, .photometric = kYCbCr, .subsampling = {1, 1}},
            kRgba,
            2},
        ReaderCase{"JpegYCbCr2x2",
                   {.width = 61,
                    .height = 40,
                    .samples = 3,
                    .photometric = kYCbCr,
                    .compression = kJpeg,
                    .rows_per_strip = 16,
                    .jpeg_quality = 80,
                    .jpeg_rgb_input = true}},
        ReaderCase{"JpegYCbCr1x1BigEndian",
                   {.width = 40,
                    .height = 24,
                    .samples = 3,
                    .photometric = kYCbCr,
                    .compression = kJpeg,
                    .rows_per_strip = 8,
                    .subsampling = {1, 1},
                    .jpeg_quality = 90,
                    .jpeg_rgb_input = true,
                    .big_endian = true}},
        // Fax.
        ReaderCase{"ModifiedHuffman",
                   {.width = 150,
                    .height = 20,
                    .bits = 1,
                    .photometric = kMinIsWhite,
                    .compression = COMPRESSION_CCITTRLE,
                    .rows_per_strip = 7}},
        ReaderCase{"ModifiedHuffmanReversedBits",
                   {.width = 150,
                    .height = 20,
                    .bits = 1,
                    .photometric = kMinIsWhite,
                    .compression = COMPRESSION_CCITTRLE,
                    .fill_order = FILLORDER_LSB2MSB}},
        ReaderCase{"ModifiedHuffmanWordAligned",
                   {.width = 77,
                    .height = 20,
                    .bits = 1,
                    .photometric = kMinIsWhite,
                    .compression = COMPRESSION_CCITTRLEW,
                    .rows_per_strip = 7},
                   kWritten},
        ReaderCase{"T4",
                   {.width = 1800,
                    .height = 12,
                    .bits = 1,
                    .photometric = kMinIsWhite,
                    .compression = COMPRESSION_CCITTFAX3}},
        ReaderCase{"T4FillBitsReversedOneRowStrips",
                   {.width = 100,
                    .height = 9,
                    .bits = 1,
                    .photometric = kMinIsWhite,
                    .compression = COMPRESSION_CCITTFAX3,
                    .rows_per_strip = 1,
                    .fill_order = FILLORDER_LSB2MSB,
                    .t4_options = GROUP3OPT_FILLBITS,
                    .big_endian = true}},
        ReaderCase{"T4TwoDimensionalPageStrips",
                   {.width = 1728,
                    .height = 130,
                    .bits = 1,
                    .photometric = kMinIsWhite,
                    .compression = COMPRESSION_CCITTFAX3,
                    .rows_per_strip = 50,
                    .t4_options = GROUP3OPT_2DENCODING}},
        ReaderCase{"T4TwoDimensionalFillBitsReversedOddWidth",
                   {.width = 1001,
                    .height = 120,
                    .bits = 1,
                    .photometric = kMinIsBlack,
                    .compression = COMPRESSION_CCITTFAX3,
                    .fill_order = FILLORDER_LSB2MSB,
                    .t4_options = GROUP3OPT_2DENCODING | GROUP3OPT_FILLBITS,
                    .big_endian = true}},
        ReaderCase{"Group4Page",
                   {.width = 1728,
                    .height = 130,
                    .bits = 1,
                    .photometric = kMinIsWhite,
                    .compression = COMPRESSION_CCITTFAX4}},
        ReaderCase{"Group4ReversedOddWidthStrips",
                   {.width = 1001,
                    .height = 120,
                    .bits = 1,
                    .photometric = kMinIsBlack,
                    .compression = COMPRESSION_CCITTFAX4,
                    .rows_per_strip = 33,
                    .fill_order = FILLORDER_LSB2MSB}}),
    [](const auto& info) { return std::string(info.param.name); });

// Every layout at both depths, with and without differencing; the wide strip makes the coder
// fill its table and start afresh with clear codes.
INSTANTIATE_TEST_SUITE_P(Lzw, LoadsLikeLibtiff,
                         ::testing::Values(ReaderCase{"Gray8SevenRowStrips",
                                                      {.width = 45,
                                                       .height = 20,
                                                       .photometric = kMinIsBlack,
                                                       .compression = kLzw,
                                                       .rows_per_strip = 7}},
                                           ReaderCase{"Gray16PredictorBigEndian",
                                                      {.width = 40,
                                                       .height = 9,
                                                       .bits = 16,
                                                       .photometric = kMinIsBlack,
                                                       .compression = kLzw,
                                                       .rows_per_strip = 4,
                                                       .predictor = 2,
                                                       .big_endian = true},
                                                      kGraySamples},
                                           ReaderCase{"Gray4MinIsWhite",
                                                      {.width = 31,
                                                       .height = 6,
                                                       .bits = 4,
                                                       .photometric = kMinIsWhite,
                                                       .compression = kLzw}},
                                           ReaderCase{"Palette8Predictor",
                                                      {.width = 64,
                                                       .height = 8,
                                                       .photometric = kPalette,
                                                       .compression = kLzw,
                                                       .predictor = 2,
                                                       .color_map = ColorMap(8)}},
                                           ReaderCase{"Palette16",
                                                      {.width = 40,
                                                       .height = 6,
                                                       .bits = 16,
                                                       .photometric = kPalette,
                                                       .compression = kLzw,
                                                       .color_map = ColorMap(16)},
                                                      kPaletteSamples},
                                           ReaderCase{"Rgb8PredictorWideStrip",
                                                      {.width = 200,
                                                       .height = 40,
                                                       .samples = 3,
                                                       .photometric = kRgb,
                                                       .compression = kLzw,
                                                       .predictor = 2}},
                                           ReaderCase{"Rgb16BigEndian",
                                                      {.width = 20,
                                                       .height = 6,
                                                       .bits = 16,
                                                       .samples = 3,
                                                       .photometric = kRgb,
                                                       .compression = kLzw,
                                                       .big_endian = true},
                                                      kRgba,
                                                      1},
                                           ReaderCase{"RgbPlanarPredictor",
                                                      {.width = 23,
                                                       .height = 9,
                                                       .samples = 3,
                                                       .photometric = kRgb,
                                                       .compression = kLzw,
                                                       .rows_per_strip = 4,
                                                       .planar = 2,
                                                       .predictor = 2}},
                                           ReaderCase{"Rgba8",
                                                      {.width = 17,
                                                       .height = 6,
                                                       .samples = 4,
                                                       .photometric = kRgb,
                                                       .compression = kLzw,
                                                       .extra_samples = {1}},
                                                      kRgbaAlpha},
                                           ReaderCase{"Rgba16Predictor",
                                                      {.width = 17,
                                                       .height = 6,
                                                       .bits = 16,
                                                       .samples = 4,
                                                       .photometric = kRgb,
                                                       .compression = kLzw,
                                                       .predictor = 2,
                                                       .extra_samples = {1}},
                                                      kRgbaAlpha,
                                                      1},
                                           ReaderCase{"Cmyk8Predictor",
                                                      {.width = 29,
                                                       .height = 10,
                                                       .samples = 4,
                                                       .photometric = kCmyk,
                                                       .compression = kLzw,
                                                       .rows_per_strip = 7,
                                                       .predictor = 2}},
                                           ReaderCase{"Cmyk16",
                                                      {.width = 29,
                                                       .height = 10,
                                                       .bits = 16,
                                                       .samples = 4,
                                                       .photometric = kCmyk,
                                                       .compression = kLzw},
                                                      kConverted}),
                         [](const auto& info) { return std::string(info.param.name); });

// Edge tiles reach past the picture; planar tiles come plane by plane.
INSTANTIATE_TEST_SUITE_P(Tiles, LoadsLikeLibtiff,
                         ::testing::Values(ReaderCase{"Rgb16x16",
                                                      {.width = 37,
                                                       .height = 21,
                                                       .samples = 3,
                                                       .photometric = kRgb,
                                                       .tile_width = 16,
                                                       .tile_length = 16}},
                                           ReaderCase{"Gray1PackBits16x16",
                                                      {.width = 45,
                                                       .height = 20,
                                                       .bits = 1,
                                                       .photometric = kMinIsWhite,
                                                       .compression = kPackBits,
                                                       .tile_width = 16,
                                                       .tile_length = 16}},
                                           ReaderCase{"Palette4Deflate16x16",
                                                      {.width = 27,
                                                       .height = 9,
                                                       .bits = 4,
                                                       .photometric = kPalette,
                                                       .compression = kDeflate,
                                                       .tile_width = 16,
                                                       .tile_length = 16,
                                                       .color_map = ColorMap(4)}},
                                           ReaderCase{"RgbPlanarDeflatePredictor16x16",
                                                      {.width = 37,
                                                       .height = 21,
                                                       .samples = 3,
                                                       .photometric = kRgb,
                                                       .compression = kDeflate,
                                                       .tile_width = 16,
                                                       .tile_length = 16,
                                                       .planar = 2,
                                                       .predictor = 2}},
                                           ReaderCase{"RgbLzwPredictor256x256",
                                                      {.width = 300,
                                                       .height = 270,
                                                       .samples = 3,
                                                       .photometric = kRgb,
                                                       .compression = kLzw,
                                                       .tile_width = 256,
                                                       .tile_length = 256,
                                                       .predictor = 2}},
                                           ReaderCase{"Gray16LzwPredictorBigEndian16x16",
                                                      {.width = 40,
                                                       .height = 20,
                                                       .bits = 16,
                                                       .photometric = kMinIsBlack,
                                                       .compression = kLzw,
                                                       .tile_width = 16,
                                                       .tile_length = 16,
                                                       .predictor = 2,
                                                       .big_endian = true},
                                                      kGraySamples},
                                           ReaderCase{"CmykPlanarPackBits256x256",
                                                      {.width = 260,
                                                       .height = 20,
                                                       .samples = 4,
                                                       .photometric = kCmyk,
                                                       .compression = kPackBits,
                                                       .tile_width = 256,
                                                       .tile_length = 256,
                                                       .planar = 2}},
                                           ReaderCase{"YCbCrSubsampled2x2In16x16",
                                                      {.width = 37,
                                                       .height = 21,
                                                       .samples = 3,
                                                       .photometric = kYCbCr,
                                                       .tile_width = 16,
                                                       .tile_length = 16,
                                                       .subsampling = {2, 2}},
                                                      kRgba,
                                                      2},
                                           ReaderCase{"JpegYCbCr256x256",
                                                      {.width = 300,
                                                       .height = 270,
                                                       .samples = 3,
                                                       .photometric = kYCbCr,
                                                       .compression = kJpeg,
                                                       .tile_width = 256,
                                                       .tile_length = 256,
                                                       .jpeg_quality = 80,
                                                       .jpeg_rgb_input = true}},
                                           ReaderCase{"JpegRgb16x16",
                                                      {.width = 37,
                                                       .height = 21,
                                                       .samples = 3,
                                                       .photometric = kRgb,
                                                       .compression = kJpeg,
                                                       .tile_width = 16,
                                                       .tile_length = 16,
                                                       .jpeg_quality = 90}},
                                           ReaderCase{"JpegGray16x16",
                                                      {.width = 37,
                                                       .height = 21,
                                                       .photometric = kMinIsBlack,
                                                       .compression = kJpeg,
                                                       .tile_width = 16,
                                                       .tile_length = 16,
                                                       .jpeg_quality = 90}}),
                         [](const auto& info) { return std::string(info.param.name); });

// JPEG data coded other than as YCbCr come as the samples stored.
INSTANTIATE_TEST_SUITE_P(JpegCodings, LoadsLikeLibtiff,
                         ::testing::Values(ReaderCase{"Rgb",
                                                      {.width = 37,
                                                       .height = 21,
                                                       .samples = 3,
                                                       .photometric = kRgb,
                                                       .compression = kJpeg,
                                                       .rows_per_strip = 8,
                                                       .jpeg_quality = 90}},
                                           ReaderCase{"RgbPlanar",
                                                      {.width = 37,
                                                       .height = 21,
                                                       .samples = 3,
                                                       .photometric = kRgb,
                                                       .compression = kJpeg,
                                                       .rows_per_strip = 8,
                                                       .planar = 2,
                                                       .jpeg_quality = 90}},
                                           ReaderCase{"Gray",
                                                      {.width = 37,
                                                       .height = 21,
                                                       .photometric = kMinIsBlack,
                                                       .compression = kJpeg,
                                                       .rows_per_strip = 16,
                                                       .jpeg_quality = 90}},
                                           ReaderCase{"GrayMinIsWhite",
                                                      {.width = 37,
                                                       .height = 21,
                                                       .photometric = kMinIsWhite,
                                                       .compression = kJpeg,
                                                       .rows_per_strip = 8,
                                                       .jpeg_quality = 90}},
                                           ReaderCase{"Cmyk",
                                                      {.width = 37,
                                                       .height = 21,
                                                       .samples = 4,
                                                       .photometric = kCmyk,
                                                       .compression = kJpeg,
                                                       .rows_per_strip = 8,
                                                       .jpeg_quality = 90}}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillo
