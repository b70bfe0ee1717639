// Every source kind and depth the conversion job takes, into each output format, with the targets
// read back by Qt (BMP, JPEG) and libtiff (TIFF).
#include <gtest/gtest.h>
#include <tiffio.h>

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "image/image_kind.h"
#include "imagelib/format_registry.h"
#include "jobs/convert_images.h"
#include "jobs/listed_sources.h"
#include "support/bmp_test_support.h"
#include "support/jpeg_test_support.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_window.h"

namespace quillo {
namespace {

using testing::Samples;

constexpr int kWidth = 16;
constexpr int kHeight = 12;

Samples QtSamples(const std::string& path) {
  QImage image(QString::fromStdString(path));
  EXPECT_FALSE(image.isNull()) << path;
  image = image.convertToFormat(QImage::Format_RGB888);
  Samples samples{image.width(), image.height(), 3, {}};
  for (int y = 0; y < image.height(); ++y) {
    const uchar* row = image.constScanLine(y);
    samples.data.insert(samples.data.end(), row, row + image.width() * 3);
  }
  return samples;
}

Samples LibtiffSamples(const std::string& path) {
  Samples samples;
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  if (tif == nullptr) {
    ADD_FAILURE() << "libtiff cannot open " << path;
    return samples;
  }
  uint32_t width = 0;
  uint32_t height = 0;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
  std::vector<uint32_t> raster(static_cast<size_t>(width) * height);
  EXPECT_EQ(TIFFReadRGBAImageOriented(tif, width, height, raster.data(), ORIENTATION_TOPLEFT, 0),
            1);
  TIFFClose(tif);
  samples = {static_cast<int>(width), static_cast<int>(height), 3, {}};
  for (const uint32_t pixel : raster) {
    samples.data.insert(samples.data.end(), {static_cast<uint8_t>(TIFFGetR(pixel)),
                                             static_cast<uint8_t>(TIFFGetG(pixel)),
                                             static_cast<uint8_t>(TIFFGetB(pixel))});
  }
  return samples;
}

// A palette of gently changing colours, blue, green, red and a zero byte per entry; black and
// white for a bilevel picture.
std::string Palette(int count) {
  testing::Bytes bytes;
  if (count == 2) return bytes.U32(0).U32(0xFFFFFF).Str();
  for (int i = 0; i < count; ++i) {
    const int step = 255 * i / (count - 1);
    bytes.U8(static_cast<uint8_t>(step / 2)).U8(static_cast<uint8_t>(255 - step));
    bytes.U8(static_cast<uint8_t>(step)).U8(0);
  }
  return bytes.Str();
}

// The index or colour of a pixel: smooth across the picture, so that a JPEG keeps it well.
int Level(int x, int y, int levels) { return (x + y) * (levels - 1) / (kWidth + kHeight - 2); }

// A smooth colour: red, green or blue for `channel` 0, 1, 2.
int Colour(int x, int y, int channel) {
  const int rgb[] = {200 - 5 * x - 5 * y, 40 + 15 * y, 20 + 10 * x};
  return rgb[channel];
}

// A BMP file built byte by byte: palette pictures of 1, 4 and 8 bits, or direct colour.
std::string BmpSource(uint16_t bits) {
  const int row_bytes = (kWidth * bits + 31) / 32 * 4;
  std::string pixels;
  for (int y = kHeight - 1; y >= 0; --y) {
    std::string row(row_bytes, '\0');
    for (int x = 0; x < kWidth; ++x) {
      if (bits <= 8) {
        const int index = Level(x, y, 1 << bits);
        const int bit = x * bits;
        row[bit / 8] = static_cast<char>(row[bit / 8] | index << (8 - bits - bit % 8));
      } else {
        const int bytes = bits / 8;
        for (int c = 0; c < 3; ++c) row[x * bytes + c] = static_cast<char>(Colour(x, y, 2 - c));
      }
    }
    pixels += row;
  }
  const testing::InfoFields info{.width = kWidth, .height = kHeight, .bit_count = bits};
  return testing::BmpFile(info, bits <= 8 ? Palette(1 << bits) : "", pixels);
}

std::string JpegSource(bool grey) {
  Samples samples = testing::PhotoSamples(kWidth, kHeight);
  if (!grey) return testing::LibjpegEncode(samples);
  Samples luma{kWidth, kHeight, 1, {}};
  for (size_t i = 0; i < samples.data.size(); i += 3) luma.data.push_back(samples.data[i + 1]);
  return testing::LibjpegEncode(luma, {.input = JCS_GRAYSCALE});
}

struct TiffLayout {
  uint16_t compression;
  uint16_t photometric;
  uint16_t bits;
  uint16_t samples;
};

// A TIFF file written by libtiff: the photo-like picture in the given layout, or a ramp of
// palette indices or grey levels.
void WriteTiffSource(const std::string& path, const TiffLayout& layout) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, layout.bits);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, layout.samples);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, layout.photometric);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, layout.compression);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  // Rows of whole 16-row JPEG units.
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16);
  if (layout.compression == COMPRESSION_JPEG) {
    TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  }
  if (layout.samples == 4) {
    const uint16_t alpha = EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &alpha);
  }
  if (layout.photometric == PHOTOMETRIC_PALETTE) {
    std::vector<uint16_t> red(256), green(256), blue(256);
    for (int i = 0; i < 256; ++i) {
      red[i] = static_cast<uint16_t>(i * 257);
      green[i] = static_cast<uint16_t>((255 - i) * 257);
      blue[i] = static_cast<uint16_t>((i / 2) * 257);
    }
    TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
  }
  const int bytes = layout.bits / 8;
  for (int y = 0; y < kHeight; ++y) {
    std::vector<uint8_t> row(static_cast<size_t>(kWidth) * layout.samples * bytes);
    for (int x = 0; x < kWidth; ++x) {
      for (int s = 0; s < layout.samples; ++s) {
        const int value = layout.samples == 1 ? Level(x, y, 256) : s == 3 ? 255 : Colour(x, y, s);
        // 16-bit samples in the machine's order, as libtiff takes them.
        for (int b = 0; b < bytes; ++b) row[(x * layout.samples + s) * bytes + b] = value;
      }
    }
    ASSERT_EQ(TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y)), 1);
  }
  TIFFClose(tif);
}

TEST(ConversionMatrix, EverySourceIntoEveryFormatReadsBackAsItsPixels) {
  const TFormatRegistration formats;
  testing::TempDir dir;
  const struct {
    const char* name;
    std::string bytes;
  } sources[] = {
      {"one.bmp", BmpSource(1)},      {"four.bmp", BmpSource(4)},
      {"eight.bmp", BmpSource(8)},    {"rgb.bmp", BmpSource(24)},
      {"rgbx.bmp", BmpSource(32)},    {"colour.jpg", JpegSource(false)},
      {"grey.jpg", JpegSource(true)},
  };
  const struct {
    TImageKind kind;
    const char* name;
  } outputs[] = {{ikBmp, "bmp"}, {ikJpeg, "jpg"}, {ikTiff, "tif"}};
  const HeadlessEditor no_list;
  const ListedSources listed(no_list);
  const struct {
    const char* name;
    TiffLayout layout;
  } tiffs[] = {
      {"rgb-deflate.tif", {COMPRESSION_ADOBE_DEFLATE, PHOTOMETRIC_RGB, 8, 3}},
      {"rgb16-packbits.tif", {COMPRESSION_PACKBITS, PHOTOMETRIC_RGB, 16, 3}},
      {"rgba-none.tif", {COMPRESSION_NONE, PHOTOMETRIC_RGB, 8, 4}},
      {"grey-deflate.tif", {COMPRESSION_ADOBE_DEFLATE, PHOTOMETRIC_MINISBLACK, 8, 1}},
      {"palette-packbits.tif", {COMPRESSION_PACKBITS, PHOTOMETRIC_PALETTE, 8, 1}},
      {"ycbcr-jpeg.tif", {COMPRESSION_JPEG, PHOTOMETRIC_YCBCR, 8, 3}},
  };
  std::vector<std::pair<std::string, Samples>> expectations;
  for (const auto& source : sources) {
    const std::string path = dir.Write(source.name, source.bytes);
    expectations.emplace_back(path, QtSamples(path));
  }
  for (const auto& tiff : tiffs) {
    const std::string path = dir.File(tiff.name);
    WriteTiffSource(path, tiff.layout);
    expectations.emplace_back(path, LibtiffSamples(path));
  }
  for (const auto& [path, expected] : expectations) {
    for (const auto& output : outputs) {
      SCOPED_TRACE(path + " to " + output.name);
      const std::string folder = dir.Mkdir(output.name) + "/";
      ConvertImageFile(path, folder, output.kind, listed);

      const std::string target = ConversionTarget(path, folder, output.kind);
      const Samples actual = output.kind == ikTiff ? LibtiffSamples(target) : QtSamples(target);
      ASSERT_EQ(actual.width, kWidth);
      ASSERT_EQ(actual.height, kHeight);
      const bool lossy = output.kind == ikJpeg && GetImageKind(path) != ikJpeg;
      if (lossy) {
        EXPECT_GE(testing::Psnr(actual, expected), 30.0);
      } else {
        EXPECT_TRUE(actual.data == expected.data) << testing::Psnr(actual, expected) << " dB";
      }
    }
  }
}

}  // namespace
}  // namespace quillo
