// The JPEG files of the shared corpus: every one either decodes to the pixels Qt's own reader
// gives, or is refused with the library's error code, and none brings the adapter down.
#include <gtest/gtest.h>
#include <QImage>
#include <QImageReader>

#include <filesystem>
#include <regex>
#include <string>

#include "image/jpeg_image.h"
#include "platform/errors.h"
#include "support/bmp_test_support.h"

namespace quillo {
namespace {

namespace fs = std::filesystem;

// Decodes as the adapter does for the rotate job; an empty string when it decoded.
std::string Decode(const std::string& path, TJPEGImage& jpeg) {
  try {
    jpeg.LoadFile(path);
    jpeg.DecodeToBitmap();
  } catch (const EJPEG& e) {
    return e.Message();
  }
  return "";
}

int CompareWithQt(TBitmap& ours, const QImage& theirs) {
  EXPECT_EQ(ours.Width(), theirs.width());
  EXPECT_EQ(ours.Height(), theirs.height());
  if (ours.Width() != theirs.width() || ours.Height() != theirs.height()) return -1;
  int mismatches = 0;
  for (int32_t y = 0; y < ours.Height(); ++y) {
    for (int32_t x = 0; x < ours.Width(); ++x) {
      const uint32_t got = testing::ColorAt(ours, x, y);
      const uint32_t want = theirs.pixel(x, y) & 0xFFFFFF;
      if (got != want && mismatches++ < 3) {
        ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << got << " vs " << want;
      }
    }
  }
  return mismatches;
}

TEST(JpegCorpus, EveryFileDecodesAsQtReadsItOrIsRefusedWithTheLibrarysCode) {
  const fs::path dir = fs::path(QUILLO_CORPUS_DIR) / "jpeg";
  if (!fs::exists(dir)) GTEST_SKIP() << "no corpus at " << dir;
  const std::regex refusal("JPEG エラー #[0-9]+");
  int compared = 0;
  int refused = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string path = entry.path().string();
    SCOPED_TRACE(path);
    TJPEGImage jpeg;
    const std::string error = Decode(path, jpeg);
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(false);
    const QImage theirs = reader.read();
    if (!error.empty()) {
      EXPECT_TRUE(std::regex_match(error, refusal)) << error;
      ++refused;
      continue;
    }
    TBitmap& ours = jpeg.DecodeToBitmap();
    EXPECT_EQ(ours.PixelFormat(), jpeg.Grayscale() ? px8Bit : px24Bit);
    if (theirs.isNull()) {
      RecordProperty("unread_by_qt", path);
      continue;
    }
    EXPECT_EQ(CompareWithQt(ours, theirs), 0);
    ++compared;
  }
  EXPECT_GT(compared, 20);
  EXPECT_GT(refused, 3);
}

}  // namespace
}  // namespace quillo
