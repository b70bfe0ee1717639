// Every sample depth from 1 to 16 bits in every colour layout, written by libtiff and loaded to
// the colours libtiff reads from the file.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <string>
#include <vector>

#include "imagelib/tiff/tiff_graphic.h"
#include "support/bmp_test_support.h"
#include "support/temp_dir.h"
#include "tiff_oracle.h"

namespace quillo {
namespace {

using testing::TiffFields;

struct Layout {
  const char* name;
  uint16_t photometric;
  uint16_t samples;
  uint16_t planar = PLANARCONFIG_CONTIG;
  std::vector<uint16_t> extra_samples = {};
};

const Layout kLayouts[] = {
    {"Gray", PHOTOMETRIC_MINISBLACK, 1},
    {"MinIsWhite", PHOTOMETRIC_MINISWHITE, 1},
    {"RgbContiguous", PHOTOMETRIC_RGB, 3},
    {"RgbPlanar", PHOTOMETRIC_RGB, 3, PLANARCONFIG_SEPARATE},
    {"Cmyk", PHOTOMETRIC_SEPARATED, 4},
    {"CmykAlpha", PHOTOMETRIC_SEPARATED, 5, PLANARCONFIG_CONTIG, {EXTRASAMPLE_UNASSALPHA}},
};

// Bytes of samples for the fields, every plane in turn when planar; whole tiles when tiled.
size_t SampleBytes(const TiffFields& f) {
  const size_t per_row = f.planar == PLANARCONFIG_SEPARATE ? 1 : f.samples;
  const size_t planes = f.planar == PLANARCONFIG_SEPARATE ? f.samples : 1;
  size_t width = f.width, height = f.height;
  if (f.tile_width) {
    width = (width + f.tile_width - 1) / f.tile_width * f.tile_width;
    height = (height + f.tile_length - 1) / f.tile_length * f.tile_length;
  }
  return (width * per_row * f.bits + 7) / 8 * height * planes;
}

void ExpectLoadsAsLibtiffReadsIt(const TiffFields& fields) {
  testing::TempDir dir;
  const std::string path = dir.File("depth.tif");
  testing::WriteTiff(path, fields, testing::Pattern(SampleBytes(fields), fields.bits));
  const testing::TiffColors theirs = testing::ReadColors(path);
  ASSERT_EQ(theirs.rgb.size(), size_t{fields.width} * fields.height) << "libtiff refuses it";
  TTIFFGraphic graphic;
  graphic.LoadFile(path);
  int mismatches = 0;
  for (uint32_t y = 0; y < fields.height; ++y) {
    for (uint32_t x = 0; x < fields.width; ++x) {
      const uint32_t expected = theirs.rgb[y * fields.width + x];
      const uint32_t ours =
          testing::ColorAt(graphic, static_cast<int32_t>(x), static_cast<int32_t>(y));
      if (ours != expected && ++mismatches <= 3) {
        ADD_FAILURE() << "pixel " << x << "," << y << std::hex << ": ours " << ours << ", libtiff "
                      << expected;
      }
    }
  }
}

class TiffDepths : public ::testing::TestWithParam<std::tuple<Layout, int>> {};

TEST_P(TiffDepths, LoadAsLibtiffReadsThem) {
  const auto& [layout, bits] = GetParam();
  ExpectLoadsAsLibtiffReadsIt({.width = 13,
                               .height = 5,
                               .bits = static_cast<uint16_t>(bits),
                               .samples = layout.samples,
                               .photometric = layout.photometric,
                               .rows_per_strip = 2,
                               .planar = layout.planar,
                               .extra_samples = layout.extra_samples});
}

INSTANTIATE_TEST_SUITE_P(Layouts, TiffDepths,
                         ::testing::Combine(::testing::ValuesIn(kLayouts), ::testing::Range(1, 17)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  std::to_string(std::get<1>(info.param)) + "Bits";
                         });

// Codings and sample formats that come with particular depths.
struct CodingCase {
  const char* name;
  TiffFields fields;
};

const CodingCase kCodings[] = {
    {"CmykAlphaLzwPredictor8",
     {.width = 29,
      .height = 6,
      .bits = 8,
      .samples = 5,
      .photometric = PHOTOMETRIC_SEPARATED,
      .compression = COMPRESSION_LZW,
      .predictor = PREDICTOR_HORIZONTAL,
      .extra_samples = {EXTRASAMPLE_UNASSALPHA}}},
    {"CmykAlphaLzwPredictor16",
     {.width = 29,
      .height = 6,
      .bits = 16,
      .samples = 5,
      .photometric = PHOTOMETRIC_SEPARATED,
      .compression = COMPRESSION_LZW,
      .predictor = PREDICTOR_HORIZONTAL,
      .extra_samples = {EXTRASAMPLE_UNASSALPHA}}},
    {"GrayWithTwoExtraSamples",
     {.width = 29,
      .height = 6,
      .samples = 3,
      .extra_samples = {EXTRASAMPLE_UNSPECIFIED, EXTRASAMPLE_UNSPECIFIED}}},
    {"SignedGray8", {.width = 29, .height = 6, .bits = 8, .sample_format = SAMPLEFORMAT_INT}},
    {"SignedGray16BigEndian",
     {.width = 29, .height = 6, .bits = 16, .sample_format = SAMPLEFORMAT_INT, .big_endian = true}},
    {"SignedRgb16Planar",
     {.width = 29,
      .height = 6,
      .bits = 16,
      .samples = 3,
      .photometric = PHOTOMETRIC_RGB,
      .planar = PLANARCONFIG_SEPARATE,
      .sample_format = SAMPLEFORMAT_INT}},
    {"LeastSignificantBitFirstGray16",
     {.width = 29, .height = 6, .bits = 16, .fill_order = FILLORDER_LSB2MSB}},
    {"LeastSignificantBitFirstRgb4Planar",
     {.width = 29,
      .height = 6,
      .bits = 4,
      .samples = 3,
      .photometric = PHOTOMETRIC_RGB,
      .planar = PLANARCONFIG_SEPARATE,
      .fill_order = FILLORDER_LSB2MSB}},
    {"LeastSignificantBitFirstRgb8Lzw",
     {.width = 29,
      .height = 6,
      .samples = 3,
      .photometric = PHOTOMETRIC_RGB,
      .compression = COMPRESSION_LZW,
      .fill_order = FILLORDER_LSB2MSB}},
    {"LeastSignificantBitFirstGray12Deflate",
     {.width = 29,
      .height = 6,
      .bits = 12,
      .compression = COMPRESSION_ADOBE_DEFLATE,
      .fill_order = FILLORDER_LSB2MSB}},
    {"LeastSignificantBitFirstTiledGray8PackBits",
     {.width = 40,
      .height = 20,
      .compression = COMPRESSION_PACKBITS,
      .tile_width = 16,
      .tile_length = 16,
      .fill_order = FILLORDER_LSB2MSB}},
};

class TiffCodings : public ::testing::TestWithParam<CodingCase> {};

TEST_P(TiffCodings, LoadAsLibtiffReadsThem) { ExpectLoadsAsLibtiffReadsIt(GetParam().fields); }

INSTANTIATE_TEST_SUITE_P(Files, TiffCodings, ::testing::ValuesIn(kCodings),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillo
