// Every source kind and depth the conversion job takes, into each output format, with the targets
// read back by Qt (BMP, JPEG) and libtiff (TIFF).
#include <gtest/gtest.h>
#include <tiffio.h>

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "image/image_kind.h"
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
        row[x * bytes] = static_cast<char>(20 + 10 * x);
        row[x * bytes + 1] = static_cast<char>(40 + 15 * y);
        row[x * bytes + 2] = static_cast<char>(200 - 5 * x - 5 * y);
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

TEST(ConversionMatrix, EverySourceIntoEveryFormatReadsBackAsItsPixels) {
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
  for (const auto& source : sources) {
    const std::string path = dir.Write(source.name, source.bytes);
    const Samples expected = QtSamples(path);
    for (const auto& output : outputs) {
      SCOPED_TRACE(std::string(source.name) + " to " + output.name);
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
