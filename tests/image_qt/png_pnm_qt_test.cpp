// PNG and portable map files written by libpng, by Qt and by hand load to the pixels Qt's own
// readers give, across colour types, depths, maxima and interlacing; so do the corpus files.
#include <gtest/gtest.h>
#include <QBuffer>
#include <QColor>
#include <QImage>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "imagelib/formats/png_graphic.h"
#include "imagelib/formats/portable_map.h"
#include "support/bmp_test_support.h"
#include "support/png_test_support.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

namespace fs = std::filesystem;

QImage QtRead(const std::string& bytes) {
  return QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()),
                          static_cast<int>(bytes.size()));
}

std::string QtWrite(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(image.save(&buffer, format));
  return bytes.toStdString();
}

// Each colour channel may differ by `tolerance` where the two readers round 16-bit samples apart.
void ExpectSamePixels(TBitmap& ours, const QImage& theirs, int tolerance) {
  ASSERT_FALSE(theirs.isNull());
  ASSERT_EQ(ours.Width(), theirs.width());
  ASSERT_EQ(ours.Height(), theirs.height());
  int mismatches = 0;
  for (int32_t y = 0; y < ours.Height(); ++y) {
    for (int32_t x = 0; x < ours.Width(); ++x) {
      const uint32_t got = testing::ColorAt(ours, x, y);
      const QRgb want = theirs.pixel(x, y);
      const int diffs[3] = {static_cast<int>(got >> 16) - qRed(want),
                            static_cast<int>(got >> 8 & 0xFF) - qGreen(want),
                            static_cast<int>(got & 0xFF) - qBlue(want)};
      for (int d : diffs) {
        if (std::abs(d) > tolerance && mismatches++ < 5) {
          ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << got << " vs "
                        << (want & 0xFFFFFF);
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

template <class Reader>
void ExpectLoadsAsQt(const std::string& bytes, int tolerance) {
  Reader ours;
  TMemoryStream stream = testing::StreamOf(bytes);
  ours.LoadFromStream(stream);
  ExpectSamePixels(ours, QtRead(bytes), tolerance);
}

struct PngKind {
  int color_type;
  std::vector<int> depths;
};

TEST(PngAsQt, LibpngFilesOfEveryColourTypeDepthAndInterlacing) {
  const std::vector<PngKind> kinds = {
      {0, {1, 2, 4, 8, 16}}, {2, {8, 16}}, {3, {1, 2, 4, 8}}, {4, {8, 16}}, {6, {8, 16}}};
  uint32_t seed = 1;
  for (const PngKind& kind : kinds) {
    for (int depth : kind.depths) {
      for (bool interlaced : {false, true}) {
        SCOPED_TRACE("type " + std::to_string(kind.color_type) + ", " + std::to_string(depth) +
                     " bits" + (interlaced ? ", interlaced" : ""));
        testing::PngLayout layout{.width = 19,
                                  .height = 11,
                                  .bit_depth = depth,
                                  .color_type = kind.color_type,
                                  .interlaced = interlaced};
        if (kind.color_type == 3) {
          // Fewer entries than the depth allows.
          const int entries = std::max(1, (1 << depth) - 3);
          for (int i = 0; i < 3 * entries; ++i)
            layout.palette.push_back(static_cast<uint8_t>(i * 37));
        }
        ExpectLoadsAsQt<TPNGGraphic>(
            testing::WritePng(layout, testing::PngSampleRows(layout, ++seed)), depth == 16 ? 1 : 0);
      }
    }
  }
}

QImage Gradient(QImage::Format format) {
  QImage image(23, 9, format);
  if (format == QImage::Format_Indexed8) {
    QList<QRgb> table;
    for (int i = 0; i < 40; ++i) table.push_back(qRgb(i * 6, 255 - i * 5, i * i % 256));
    image.setColorTable(table);
  }
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (format == QImage::Format_Indexed8 || format == QImage::Format_Mono) {
        image.setPixel(x, y, (x + y) % (format == QImage::Format_Mono ? 2 : 40));
      } else {
        image.setPixelColor(x, y,
                            QColor::fromRgba64(static_cast<quint16>(x * 2800 + y),
                                               static_cast<quint16>(y * 7000 + x * 13),
                                               static_cast<quint16>((x * y * 331) & 0xFFFF),
                                               static_cast<quint16>(65535 - x * 1000)));
      }
    }
  }
  return image;
}

TEST(PngAsQt, QtWrittenFiles) {
  for (QImage::Format format :
       {QImage::Format_Mono, QImage::Format_Indexed8, QImage::Format_Grayscale8,
        QImage::Format_Grayscale16, QImage::Format_RGB888, QImage::Format_ARGB32,
        QImage::Format_RGBA64}) {
    SCOPED_TRACE(format);
    const bool wide = format == QImage::Format_Grayscale16 || format == QImage::Format_RGBA64;
    ExpectLoadsAsQt<TPNGGraphic>(QtWrite(Gradient(format), "PNG"), wide ? 1 : 0);
  }
}

TEST(PnmAsQt, QtWrittenMaps) {
  for (const char* format : {"PBM", "PGM", "PPM"}) {
    SCOPED_TRACE(format);
    ExpectLoadsAsQt<TPPMGraphic>(QtWrite(Gradient(QImage::Format_RGB888), format), 0);
  }
}

// Plain and raw maps of every kind, with comments, for maxima of 1 to 65535.
std::string HandMadeMap(int kind, int max_value, uint32_t seed) {
  const int width = 7;
  const int height = 5;
  const int samples = kind == 3 || kind == 6 ? 3 : 1;
  std::string map = "P" + std::to_string(kind) + "\n# made by hand\n" + std::to_string(width) +
                    " " + std::to_string(height) + "\n";
  const bool bitmap = kind == 1 || kind == 4;
  if (!bitmap) map += "# maximum\n" + std::to_string(max_value) + "\n";
  uint32_t state = seed;
  auto next = [&state](int limit) {
    state = state * 1103515245u + 12345;
    return static_cast<int>((state >> 8) % static_cast<uint32_t>(limit + 1));
  };
  for (int y = 0; y < height; ++y) {
    uint8_t bits = 0;
    for (int i = 0; i < width * samples; ++i) {
      const int v = next(bitmap ? 1 : max_value);
      if (kind <= 3) {
        map += std::to_string(v) + (i % 5 == 4 ? "\n" : " ");
      } else if (kind == 4) {
        bits = static_cast<uint8_t>(bits | v << (7 - i % 8));
        if (i % 8 == 7 || i == width - 1) map += static_cast<char>(std::exchange(bits, 0));
      } else {
        if (max_value > 255) map += static_cast<char>(v >> 8);
        map += static_cast<char>(v);
      }
    }
  }
  return map;
}

TEST(PnmAsQt, HandMadeMapsOfEveryKindAndMaximum) {
  uint32_t seed = 7;
  for (int kind = 1; kind <= 6; ++kind) {
    for (int max_value : {1, 15, 255, 1000, 65535}) {
      if ((kind == 1 || kind == 4) && max_value != 1) continue;
      SCOPED_TRACE("P" + std::to_string(kind) + " up to " + std::to_string(max_value));
      ExpectLoadsAsQt<TPPMGraphic>(HandMadeMap(kind, max_value, ++seed), max_value > 255 ? 1 : 0);
    }
  }
}

TEST(PngPnmCorpus, FilesLoadAsQtDecodesThem) {
  const fs::path dir = fs::path(QUILLO_CORPUS_DIR) / "other";
  if (!fs::exists(dir)) GTEST_SKIP() << "no corpus at " << dir;
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    SCOPED_TRACE(entry.path().string());
    ++files;
    const std::string bytes = testing::ReadFile(entry.path().string());
    if (entry.path().extension() == ".png") {
      ExpectLoadsAsQt<TPNGGraphic>(bytes, 0);
    } else {
      ExpectLoadsAsQt<TPPMGraphic>(bytes, 0);
    }
  }
  EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace quillo
