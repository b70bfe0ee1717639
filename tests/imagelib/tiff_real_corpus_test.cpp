// Real TIFF files from cameras, scanners, other programs and other readers' test suites: each
// first page loads to the colours libtiff reads from it (exactly for lossless data, within a
// second JPEG decoder's reach for JPEG data), or is refused naming a kind of file the reader does
// not claim. A file libtiff cannot read either may be refused with any of the reader's errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "imagelib/tiff/tiff_graphic.h"
#include "platform/errors.h"
#include "support/bmp_test_support.h"
#include "tiff_oracle.h"

namespace quillo {
namespace {

namespace fs = std::filesystem;

// The kinds of TIFF file the reader does not claim to read; a refusal of a file libtiff reads
// must name one of them.
const char* const kUnclaimed[] = {
    "BigTIFF", "Old-style JPEG", "Floating point", "24-bit integer", "32-bit integer",
    "SGILog",  "Zstandard",      "LZMA",           "WebP",           "JBIG",
};

// How far a second JPEG decoder may stray: its own rounding in the transform and upsampling.
constexpr int kJpegSampleSlack = 12;
constexpr double kJpegLeastPsnr = 38.0;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool NamesUnclaimedKind(const std::string& refusal) {
  return std::any_of(std::begin(kUnclaimed), std::end(kUnclaimed), [&](const char* kind) {
    return Lower(refusal).find(Lower(kind)) != std::string::npos;
  });
}

std::vector<std::string> RealTiffs() {
  std::vector<std::string> files;
  const fs::path dir = fs::path(QUILLO_CORPUS_DIR) / "real" / "tiff";
  if (!fs::exists(dir)) return files;
  for (const auto& entry : fs::directory_iterator(dir)) files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

// The reader's refusal, or empty when it loads the file.
std::string Load(TTIFFGraphic& graphic, const std::string& path) {
  try {
    graphic.LoadFile(path);
  } catch (const EInvalidGraphic& e) {
    return e.Message();
  } catch (const EGraphicCompression& e) {
    return e.Message();
  } catch (const EColorConversionError& e) {
    return e.Message();
  } catch (const EReadError& e) {
    return e.Message();
  }
  return "";
}

int Channel(uint32_t color, int shift) { return static_cast<int>(color >> shift & 0xFF); }

class RealTiff : public ::testing::TestWithParam<std::string> {};

TEST_P(RealTiff, LoadsAsLibtiffReadsItOrNamesWhatIsNotSupported) {
  const testing::TiffColors theirs = testing::ReadColors(GetParam());
  TTIFFGraphic graphic;
  const std::string refusal = Load(graphic, GetParam());
  const bool libtiff_reads = !theirs.rgb.empty();
  if (!refusal.empty()) {
    if (libtiff_reads) {
      EXPECT_TRUE(NamesUnclaimedKind(refusal)) << refusal;
    }
    return;
  }
  // L*a*b* colours follow the reader's own conversion; libtiff's display model is another.
  if (!libtiff_reads || theirs.match == testing::TiffColors::kOwnColors) return;
  ASSERT_EQ(graphic.Width(), static_cast<int32_t>(theirs.width));
  ASSERT_EQ(graphic.Height(), static_cast<int32_t>(theirs.height));
  const bool exact = theirs.match == testing::TiffColors::kExact;
  const int slack = exact ? 0 : kJpegSampleSlack;
  int mismatches = 0;
  double squared = 0;
  for (int32_t y = 0; y < graphic.Height(); ++y) {
    for (int32_t x = 0; x < graphic.Width(); ++x) {
      const uint32_t expected = theirs.rgb[size_t(y) * theirs.width + x];
      const uint32_t ours = testing::ColorAt(graphic, x, y);
      int worst = 0;
      for (int shift : {0, 8, 16}) {
        const int d = Channel(ours, shift) - Channel(expected, shift);
        squared += d * d;
        worst = std::max(worst, std::abs(d));
      }
      if (worst > slack && ++mismatches <= 3) {
        ADD_FAILURE() << "pixel " << x << "," << y << std::hex << ": ours " << ours << ", libtiff "
                      << expected;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  const double mean = squared / (3.0 * graphic.Width() * graphic.Height());
  if (!exact && mean > 0) {
    EXPECT_GE(10 * std::log10(255.0 * 255.0 / mean), kJpegLeastPsnr);
  }
}

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(RealTiff);
INSTANTIATE_TEST_SUITE_P(Files, RealTiff, ::testing::ValuesIn(RealTiffs()), [](const auto& info) {
  std::string name = fs::path(info.param).filename().string();
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
});

}  // namespace
}  // namespace quillo
