// The BMP files of the shared corpus: good files load exactly as Qt's own reader decodes them,
// and damaged or doubtful files are refused with our errors or load without harm.
#include <gtest/gtest.h>
#include <QColor>
#include <QImage>

#include <array>
#include <bit>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "image/image_messages.h"
#include "platform/errors.h"
#include "support/bmp_test_support.h"

namespace quillo {
namespace {

namespace fs = std::filesystem;

struct CorpusFile {
  std::string path;
  bool good;
};

// The BMP rows of the manifest; bmpsuite marks its files good, questionable or bad, and the
// lenient folder of the other suite holds damaged files.
std::vector<CorpusFile> ManifestBmps() {
  std::vector<CorpusFile> files;
  const fs::path dir = QUILLO_CORPUS_DIR;
  std::ifstream manifest(dir / "MANIFEST.tsv");
  std::string line;
  while (std::getline(manifest, line)) {
    std::vector<std::string> fields;
    std::stringstream split(line);
    for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
    if (fields.size() < 6 || fields[0].rfind("bmp/", 0) != 0) continue;
    const bool doubtful = fields[5].find("bmpsuite bad") != std::string::npos ||
                          fields[5].find("questionable") != std::string::npos ||
                          fields[2].find("/lenient/") != std::string::npos;
    const std::string path = (dir / fields[0]).string();
    bool seen = false;
    for (const CorpusFile& f : files) seen = seen || f.path == path;
    if (!seen) files.push_back({path, !doubtful});
  }
  return files;
}

// Significant bits of each channel in a loaded picture: narrow bit fields carry fewer than 8.
std::array<int, 3> ChannelBits(const TBitmapImage& image) {
  if (image.device || image.header.bit_count <= 8 || image.header.bit_count == 24) return {8, 8, 8};
  TMasks masks = image.masks;
  if (image.header.compression == kDibRgb)
    masks = image.header.bit_count == 16 ? kMasks555 : kMasks888;
  std::array<int, 3> bits{};
  for (int i = 0; i < 3; ++i) bits[i] = std::min(8, std::popcount(masks[i]));
  return bits;
}

void ExpectSamePixels(const TBitmap& ours, const QImage& theirs, const std::array<int, 3>& bits) {
  ASSERT_EQ(ours.Width(), theirs.width());
  ASSERT_EQ(ours.Height(), theirs.height());
  TBitmap copy;
  copy.AssignFrom(const_cast<TBitmap*>(&ours));
  copy.SetPixelFormat(px24Bit);
  int mismatches = 0;
  for (int32_t y = 0; y < copy.Height(); ++y) {
    const uint8_t* row = copy.RowAddress(y);
    for (int32_t x = 0; x < copy.Width(); ++x) {
      const QRgb expected = theirs.pixel(x, y);
      const int got[3] = {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
      const int want[3] = {qRed(expected), qGreen(expected), qBlue(expected)};
      for (int c = 0; c < 3; ++c) {
        if (got[c] >> (8 - bits[c]) != want[c] >> (8 - bits[c]) && mismatches++ < 5) {
          ADD_FAILURE() << "pixel " << x << "," << y << " channel " << c << ": " << got[c] << " vs "
                        << want[c];
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(BmpCorpus, GoodFilesLoadAsQtDecodesThemAndWriteFilesQtReadsAlike) {
  if (!fs::exists(QUILLO_CORPUS_DIR)) GTEST_SKIP() << "no corpus at " << QUILLO_CORPUS_DIR;
  int good = 0;
  for (const CorpusFile& file : ManifestBmps()) {
    if (!file.good) continue;
    SCOPED_TRACE(file.path);
    ++good;
    TBitmap ours;
    ours.LoadFile(file.path);
    const QImage theirs(QString::fromStdString(file.path));
    if (theirs.isNull()) {
      // Qt reads no header of 56 bytes; such a file has no second opinion, only our load.
      RecordProperty("unread_by_qt", file.path);
      continue;
    }
    const std::array<int, 3> bits = ChannelBits(ours.Image());
    ExpectSamePixels(ours, theirs, bits);

    const std::string written = testing::WriteToString(ours);
    QImage rewritten;
    ASSERT_TRUE(rewritten.loadFromData(reinterpret_cast<const uchar*>(written.data()),
                                       static_cast<int>(written.size()), "BMP"));
    ExpectSamePixels(ours, rewritten, bits);
  }
  EXPECT_GT(good, 0);
}

TEST(BmpCorpus, DamagedAndDoubtfulFilesAreRefusedOrLoadWithoutHarm) {
  if (!fs::exists(QUILLO_CORPUS_DIR)) GTEST_SKIP() << "no corpus at " << QUILLO_CORPUS_DIR;
  int doubtful = 0;
  for (const CorpusFile& file : ManifestBmps()) {
    if (file.good) continue;
    SCOPED_TRACE(file.path);
    ++doubtful;
    TBitmap bitmap;
    try {
      bitmap.LoadFile(file.path);
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), kInvalidBitmapMessage);
      continue;
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), kReadErrorMessage);
      continue;
    }
    // What loads can be written, converted and walked row by row.
    const std::string written = testing::WriteToString(bitmap);
    EXPECT_GE(written.size(), 14u + 12u);
    // Run-length files are held in a device store and written back as they came.
    if (bitmap.PixelFormat() == pxDevice) {
      EXPECT_EQ(written, ReadBytes(file.path));
    }
    bitmap.SetPixelFormat(px24Bit);
    for (int32_t y = 0; y < bitmap.Height(); ++y) bitmap.RowAddress(y)[0] ^= 1;
  }
  EXPECT_GT(doubtful, 0);
}

}  // namespace
}  // namespace quillo
