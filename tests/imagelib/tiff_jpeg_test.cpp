// JPEG-coded strips built from libjpeg's own encoder: each check a strip must pass, the tables
// field, libjpeg's own errors, and a strip that ends early, which warns and loads.
#include <gtest/gtest.h>
#include <jpeglib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "imagelib/decoders/tiff_jpeg_decoder.h"
#include "imagelib/tiff/tiff_graphic.h"
#include "platform/errors.h"
#include "support/bmp_test_support.h"
#include "support/tiff_bytes.h"
#include "tiff_oracle.h"
#include "ui/headless/headless_window.h"

namespace quillo {
namespace {

using Bytes = std::vector<uint8_t>;

struct JpegShape {
  uint32_t width = 16;
  uint32_t height = 16;
  int components = 3;
  int h_sampling = 2;  // of the first component
  int v_sampling = 2;
  J_COLOR_SPACE space = JCS_YCbCr;
  bool tables_only = false;
};

// A JPEG stream made by libjpeg from a smooth pattern.
Bytes EncodeJpeg(const JpegShape& shape) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = shape.width;
  info.image_height = shape.height;
  info.input_components = shape.components;
  info.in_color_space = shape.components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_colorspace(&info, shape.space);
  info.comp_info[0].h_samp_factor = shape.h_sampling;
  info.comp_info[0].v_samp_factor = shape.v_sampling;
  if (shape.tables_only) {
    jpeg_write_tables(&info);
  } else {
    jpeg_start_compress(&info, TRUE);
    const Bytes pixels = testing::Pattern(size_t{shape.width} * shape.height * shape.components);
    while (info.next_scanline < info.image_height) {
      JSAMPROW row = const_cast<uint8_t*>(pixels.data()) +
                     size_t{info.next_scanline} * shape.width * shape.components;
      jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
  }
  jpeg_destroy_compress(&info);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

// A JPEG-compressed TIFF file of one 16 x 16 strip, described by the given fields.
struct JpegTiff {
  Bytes strip = EncodeJpeg({});
  uint32_t height = 16;
  uint16_t bits = 8;
  uint16_t samples = 3;
  uint16_t photometric = 6;
  uint16_t subsampling[2] = {2, 2};
  Bytes tables = {};
  bool tiled = false;  // one 16 x 16 tile in place of the strip
};

std::string File(const JpegTiff& j) {
  testing::TiffBytes t;
  const uint32_t strip = t.Data(j.strip);
  const uint32_t bits = t.Words({j.bits, j.bits, j.bits});
  t.Long(256, 16).Long(257, j.height).Entry(258, 3, j.samples, j.samples == 1 ? j.bits : bits);
  t.Short(259, 7).Short(262, j.photometric).Short(277, j.samples).Short(284, 1);
  const auto size = static_cast<uint32_t>(j.strip.size());
  if (j.tiled) {
    t.Long(322, 16).Long(323, 16).Long(324, strip).Long(325, size);
  } else {
    t.Long(273, strip).Long(278, 16).Long(279, size);
  }
  if (!j.tables.empty()) t.Entry(347, 7, static_cast<uint32_t>(j.tables.size()), t.Data(j.tables));
  if (j.photometric == 6) t.ShortsInField(530, j.subsampling[0], j.subsampling[1]);
  return t.File();
}

std::string LoadError(const std::string& file) {
  TTIFFGraphic graphic;
  TMemoryStream stream = testing::StreamOf(file);
  try {
    graphic.LoadFromStream(stream);
  } catch (const EGraphicCompression& e) {
    return "compression: " + e.Message();
  } catch (const EInvalidGraphic& e) {
    return "graphic: " + e.Message();
  }
  return "loaded";
}

struct StripCase {
  const char* name;
  JpegTiff tiff;
  std::string error;
};

class JpegStrip : public ::testing::TestWithParam<StripCase> {};

TEST_P(JpegStrip, IsChecked) { EXPECT_EQ(LoadError(File(GetParam().tiff)), GetParam().error); }

INSTANTIATE_TEST_SUITE_P(
    Checks, JpegStrip,
    ::testing::Values(
        StripCase{"SoundStrip", {}, "loaded"},
        StripCase{"LastStripShorterThanRowsPerStrip",
                  {.strip = EncodeJpeg({.height = 5}), .height = 5},
                  "loaded"},
        StripCase{"StripTallerThanTheRowsLeft",
                  {.height = 12},
                  "compression: Improper JPEG strip/tile size."},
        StripCase{"StripNarrowerThanTheImage",
                  {.strip = EncodeJpeg({.width = 8})},
                  "compression: Improper JPEG strip/tile size."},
        StripCase{"TileShorterThanTheTiles",
                  {.strip = EncodeJpeg({.height = 8}), .tiled = true},
                  "compression: Improper JPEG strip/tile size."},
        StripCase{
            "GrayStripInAThreeSampleImage",
            {.strip = EncodeJpeg(
                 {.components = 1, .h_sampling = 1, .v_sampling = 1, .space = JCS_GRAYSCALE})},
            "compression: Improper JPEG component count."},
        StripCase{"TwelveBitsDeclared", {.bits = 12}, "compression: Improper JPEG data precision."},
        StripCase{"SamplingOtherThanDeclared",
                  {.subsampling = {1, 1}},
                  "compression: Improper JPEG sampling factors."},
        StripCase{"ChromaSampledLikeLuma",
                  {.strip = EncodeJpeg({.h_sampling = 1, .v_sampling = 1})},
                  "compression: Improper JPEG sampling factors."},
        StripCase{"TablesFieldHoldsAnImage",
                  {.tables = EncodeJpeg({})},
                  "compression: Bogus JPEG tables field."},
        StripCase{
            "TablesOnlyFieldIsTaken", {.tables = EncodeJpeg({.tables_only = true})}, "loaded"},
        // Other codings than YCbCr come as the samples stored.
        StripCase{"RgbCodedStrip",
                  {.strip = EncodeJpeg({.h_sampling = 1, .v_sampling = 1, .space = JCS_RGB}),
                   .photometric = 2},
                  "loaded"},
        StripCase{"GrayImage",
                  {.strip = EncodeJpeg(
                       {.components = 1, .h_sampling = 1, .v_sampling = 1, .space = JCS_GRAYSCALE}),
                   .samples = 1,
                   .photometric = 1},
                  "loaded"},
        StripCase{"EmptyStrip", {.strip = {}}, "graphic: JPEG error #42"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JpegStrip, EndOfInputWarnsThroughTheWindowAndLoads) {
  HeadlessApp app("quillomark");
  JpegTiff tiff;
  // Cut inside the coded data, behind the headers.
  tiff.strip.resize(tiff.strip.size() - 30);
  TTIFFGraphic graphic;
  TMemoryStream stream = testing::StreamOf(File(tiff));
  graphic.LoadFromStream(stream);
  EXPECT_EQ(graphic.Width(), 16);
  ASSERT_EQ(app.Boxes().size(), 1u);
  EXPECT_EQ(app.Boxes()[0].icon, miWarning);
  EXPECT_EQ(app.Boxes()[0].caption, "Warning");
  EXPECT_EQ(app.Boxes()[0].text, "JPEG decompression error. Unexpected end of input.");
}

TEST(JpegStrip, OutputOfPartRowsIsRefused) {
  TImageProperties p;
  p.Width = 16;
  p.Height = 16;
  p.SamplesPerPixel = 3;
  p.BitsPerSample = 8;
  p.PlanarConfiguration = 1;
  p.ColorModel = cmYCbCr;
  p.BytesPerRow = 48;
  p.RowsPerStrip = TCardinalArray({16});
  p.YCbCrSubSampling = TByteArray({2, 2});
  TTIFFJPEGDecoder decoder(p);
  decoder.BeginDecoding();
  Bytes strip = EncodeJpeg({});
  Bytes output(48 * 16 - 1);
  try {
    decoder.DecodeBlock(strip.data(), output.data(), strip.size(), output.size());
    ADD_FAILURE() << "decoded";
  } catch (const EGraphicCompression& e) {
    EXPECT_STREQ(e.what(), "Fractional JPEG scanline unsupported.");
  }
  decoder.EndDecoding();
}

}  // namespace
}  // namespace quillo
