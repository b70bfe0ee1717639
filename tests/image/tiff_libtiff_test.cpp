// libtiff reads every TIFF file the writer makes and sees the bitmap's colours pixel for pixel.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "image/tiff_write.h"
#include "imagelib/format_registry.h"
#include "jobs/convert_images.h"
#include "platform/errors.h"
#include "support/bmp_test_support.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

namespace fs = std::filesystem;
using testing::ColorAt;
using testing::SetColor;

std::string& LibtiffErrors() {
  static std::string errors;
  return errors;
}

void RecordError(const char* module, const char* format, va_list args) {
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  LibtiffErrors() += std::string(module ? module : "") + ": " + text + "\n";
}

struct Decoded {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint32_t> colors;  // 0x00RRGGBB, top row first
};

Decoded ReadWithLibtiff(const std::string& path) {
  // A warning fails the read as an error does.
  TIFFSetErrorHandler(RecordError);
  TIFFSetWarningHandler(RecordError);
  LibtiffErrors().clear();
  Decoded out;
  const std::unique_ptr<TIFF, void (*)(TIFF*)> tif(TIFFOpen(path.c_str(), "r"), TIFFClose);
  if (!tif) {
    ADD_FAILURE() << "libtiff cannot open " << path << ": " << LibtiffErrors();
    return out;
  }
  TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &out.width);
  TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &out.height);
  std::vector<uint32_t> raster(size_t{out.width} * out.height);
  if (!TIFFReadRGBAImageOriented(tif.get(), out.width, out.height, raster.data(),
                                 ORIENTATION_TOPLEFT, 1)) {
    ADD_FAILURE() << "libtiff cannot decode " << path << ": " << LibtiffErrors();
    return out;
  }
  EXPECT_EQ(LibtiffErrors(), "");
  for (const uint32_t abgr : raster) {
    out.colors.push_back(TIFFGetR(abgr) << 16 | TIFFGetG(abgr) << 8 | TIFFGetB(abgr));
  }
  return out;
}

// Writes the bitmap through the file layer and compares what libtiff decodes with its colours.
void ExpectLibtiffSeesTheBitmap(TBitmap& bitmap, const std::string& path,
                                const TTiffWriteOptions& options = {}) {
  SaveTiffFile(path, bitmap, options);
  const Decoded decoded = ReadWithLibtiff(path);
  ASSERT_EQ(decoded.width, static_cast<uint32_t>(bitmap.Width()));
  ASSERT_EQ(decoded.height, static_cast<uint32_t>(bitmap.Height()));
  ASSERT_EQ(decoded.colors.size(), size_t{decoded.width} * decoded.height);
  // The test helper decodes every named format itself; bit fields of no named format, and
  // indices beyond a palette shorter than the colour table, are read through a 24-bit copy.
  TBitmap copy;
  copy.AssignFrom(&bitmap);
  const uint16_t bits = BitsPerPixel(copy.PixelFormat());
  if (copy.PixelFormat() == pxCustom ||
      (bits <= 8 && copy.Palette()->entries.size() < (size_t{1} << bits))) {
    copy.SetPixelFormat(px24Bit);
  }
  int mismatches = 0;
  for (int32_t y = 0; y < copy.Height(); ++y) {
    for (int32_t x = 0; x < copy.Width(); ++x) {
      const uint32_t got = decoded.colors[size_t{decoded.width} * y + x];
      const uint32_t want = ColorAt(copy, x, y);
      if (got != want && mismatches++ < 5) {
        ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << got << " vs " << want;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

uint32_t PatternColor(int32_t x, int32_t y) {
  return (static_cast<uint32_t>(x) * 0x3B1F07u + static_cast<uint32_t>(y) * 0x0717A5u) & 0xFFFFFF;
}

void Patterned(TBitmap& bitmap, TPixelFormat format, int32_t w, int32_t h) {
  bitmap.SetPixelFormat(px24Bit);
  bitmap.SetWidth(w);
  bitmap.SetHeight(h);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) SetColor(bitmap, x, y, PatternColor(x, y));
  }
  bitmap.SetPixelFormat(format);
}

// A BMP file image of patterned rows: top-down 24-bit, or 32-bit bit fields with red in the
// low byte.
std::string PatternedBmp(int32_t w, int32_t h, bool fields) {
  const int bytes = fields ? 4 : 3;
  const auto stride = static_cast<size_t>((w * bytes + 3) / 4 * 4);
  std::string pixels;
  for (int32_t row = 0; row < h; ++row) {
    std::string line(stride, '\xEE');
    const int32_t y = fields ? h - 1 - row : row;
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t c = PatternColor(x, y);
      const uint32_t stored = fields ? (c >> 16 | (c & 0xFF00) | (c & 0xFF) << 16) : c;
      for (int i = 0; i < bytes; ++i) line[x * bytes + i] = static_cast<char>(stored >> (8 * i));
    }
    pixels += line;
  }
  if (!fields) return testing::BmpFile({.width = w, .height = -h}, "", pixels);
  const std::string masks = testing::Bytes().U32(0xFF).U32(0xFF00).U32(0xFF0000).Str();
  return testing::BmpFile({.width = w, .height = h, .bit_count = 32, .compression = 3}, masks,
                          pixels);
}

struct Maker {
  const char* name;
  void (*make)(TBitmap&, int32_t w, int32_t h);
};

const Maker kMakers[] = {
    {"Bilevel", [](TBitmap& b, int32_t w, int32_t h) { Patterned(b, px1Bit, w, h); }},
    {"BilevelWhiteThenBlack",
     [](TBitmap& b, int32_t w, int32_t h) {
       Patterned(b, px1Bit, w, h);
       b.SetPalette(MakePalette({{255, 255, 255}, {0, 0, 0}}));
     }},
    {"TwoColours",
     [](TBitmap& b, int32_t w, int32_t h) {
       Patterned(b, px1Bit, w, h);
       b.SetPalette(MakePalette({{200, 40, 0}, {0, 90, 160}}));
     }},
    {"FourBit", [](TBitmap& b, int32_t w, int32_t h) { Patterned(b, px4Bit, w, h); }},
    {"EightBit", [](TBitmap& b, int32_t w, int32_t h) { Patterned(b, px8Bit, w, h); }},
    {"FifteenBit", [](TBitmap& b, int32_t w, int32_t h) { Patterned(b, px15Bit, w, h); }},
    {"SixteenBit", [](TBitmap& b, int32_t w, int32_t h) { Patterned(b, px16Bit, w, h); }},
    {"TwentyFourBit", [](TBitmap& b, int32_t w, int32_t h) { Patterned(b, px24Bit, w, h); }},
    {"ThirtyTwoBit", [](TBitmap& b, int32_t w, int32_t h) { Patterned(b, px32Bit, w, h); }},
    {"TopDown",
     [](TBitmap& b, int32_t w, int32_t h) { testing::LoadBmp(b, PatternedBmp(w, h, false)); }},
    {"BitFields",
     [](TBitmap& b, int32_t w, int32_t h) { testing::LoadBmp(b, PatternedBmp(w, h, true)); }},
    {"Device",
     [](TBitmap& b, int32_t w, int32_t h) {
       b.SetWidth(w);
       b.SetHeight(h);
     }},
};

class LibtiffReads : public ::testing::TestWithParam<Maker> {};

TEST_P(LibtiffReads, EveryWidthFromOneToNineAndBeyondSixteenBits) {
  testing::TempDir dir;
  // Beyond 16 bits each way; seven true-colour rows of 70001 pixels take more than one write.
  std::vector<std::pair<int32_t, int32_t>> sizes = {{70001, 7}, {2, 66000}};
  for (int32_t w = 1; w <= 9; ++w) {
    sizes.emplace_back(w, 1);
    sizes.emplace_back(w, 3);
  }
  for (const auto& [w, h] : sizes) {
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
    TBitmap bitmap;
    GetParam().make(bitmap, w, h);
    ExpectLibtiffSeesTheBitmap(bitmap, dir.File("picture.tif"));
  }
}

INSTANTIATE_TEST_SUITE_P(Pictures, LibtiffReads, ::testing::ValuesIn(kMakers),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LibtiffReads, SoftwareValueAsAWholeTextWithoutAWarning) {
  testing::TempDir dir;
  for (const TPixelFormat format : {px1Bit, px8Bit, px24Bit}) {
    SCOPED_TRACE(static_cast<int>(format));
    TBitmap bitmap;
    bitmap.SetPixelFormat(format);
    bitmap.SetWidth(3);
    bitmap.SetHeight(2);
    const std::string path = dir.File("picture.tif");
    SaveTiffFile(path, bitmap);
    TIFFSetErrorHandler(RecordError);
    TIFFSetWarningHandler(RecordError);
    LibtiffErrors().clear();
    const std::unique_ptr<TIFF, void (*)(TIFF*)> tif(TIFFOpen(path.c_str(), "r"), TIFFClose);
    ASSERT_TRUE(tif) << LibtiffErrors();
    const char* software = nullptr;
    ASSERT_EQ(TIFFGetField(tif.get(), TIFFTAG_SOFTWARE, &software), 1);
    EXPECT_STREQ(software, "Brenquatil");
    EXPECT_EQ(LibtiffErrors(), "");
  }
}

TEST(LibtiffReads, EveryCorpusBmpThatLoads) {
  if (!fs::exists(QUILLO_CORPUS_DIR)) GTEST_SKIP() << "no corpus at " << QUILLO_CORPUS_DIR;
  testing::TempDir dir;
  int written = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(QUILLO_CORPUS_DIR) / "bmp")) {
    SCOPED_TRACE(entry.path().string());
    TBitmap bitmap;
    try {
      bitmap.LoadFile(entry.path().string());
    } catch (const Exception&) {
      continue;
    }
    ExpectLibtiffSeesTheBitmap(bitmap, dir.File("picture.tif"));
    ++written;
  }
  EXPECT_GT(written, 0);
}

// Colour, grey, palette and bilevel pictures with flat areas, gradients and noise, so that every
// coder meets long runs, short runs and full string tables.
struct CompressedPicture {
  const char* name;
  TPixelFormat format;
  bool grey;
  uint16_t predictor;  // what the file should say
};

const CompressedPicture kCompressedPictures[] = {
    {"Colour", px24Bit, false, 2},
    {"Grey", px8Bit, true, 2},
    {"Palette", px8Bit, false, 1},
    {"Bilevel", px1Bit, false, 1},
};

void PhotoLike(TBitmap& bitmap, const CompressedPicture& picture, int32_t w, int32_t h) {
  bitmap.SetPixelFormat(px24Bit);
  bitmap.SetWidth(w);
  bitmap.SetHeight(h);
  uint32_t noise = 12345;
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      noise = noise * 1103515245u + 12345u;
      uint32_t color =
          y < h / 4 ? 0x336699 : PatternColor(x / 3, y / 5) ^ ((noise >> 16) & 0x0F0F0F);
      if (picture.grey) color = (color & 0xFF) * 0x010101;
      SetColor(bitmap, x, y, color);
    }
  }
  bitmap.SetPixelFormat(picture.format);
  if (picture.grey) {
    std::vector<TPaletteEntry> ramp;
    for (int i = 0; i < 256; ++i) {
      const auto level = static_cast<uint8_t>(i);
      ramp.push_back({level, level, level});
    }
    bitmap.SetPalette(MakePalette(ramp));
  }
}

class CompressedTiff : public ::testing::TestWithParam<CompressedPicture> {};

TEST_P(CompressedTiff, LibtiffAndOurReaderSeeEveryPixelOfEveryCompression) {
  testing::TempDir dir;
  const TFormatRegistration formats;
  const std::pair<TTiffCompression, uint16_t> kinds[] = {{tcNone, COMPRESSION_NONE},
                                                         {tcPackBits, COMPRESSION_PACKBITS},
                                                         {tcLzw, COMPRESSION_LZW},
                                                         {tcDeflate, COMPRESSION_ADOBE_DEFLATE}};
  // One strip, and many strips whose last one is short.
  for (const auto& [w, h] : {std::pair{7, 3}, std::pair{1111, 431}}) {
    TBitmap bitmap;
    PhotoLike(bitmap, GetParam(), w, h);
    for (const auto& [compression, tag] : kinds) {
      SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + ", compression " +
                   std::to_string(tag));
      const std::string path = dir.File("picture.tif");
      TTiffWriteOptions options;
      options.compression = compression;
      ExpectLibtiffSeesTheBitmap(bitmap, path, options);

      // Without strip chopping, libtiff tells the strips as written.
      const std::unique_ptr<TIFF, void (*)(TIFF*)> tif(TIFFOpen(path.c_str(), "rc"), TIFFClose);
      ASSERT_TRUE(tif);
      uint16_t compression_tag = 0;
      uint16_t predictor = 1;
      uint32_t rows_per_strip = 0;
      TIFFGetField(tif.get(), TIFFTAG_COMPRESSION, &compression_tag);
      TIFFGetField(tif.get(), TIFFTAG_PREDICTOR, &predictor);
      TIFFGetField(tif.get(), TIFFTAG_ROWSPERSTRIP, &rows_per_strip);
      EXPECT_EQ(compression_tag, tag);
      const bool differencing = compression == tcLzw || compression == tcDeflate;
      EXPECT_EQ(predictor, differencing ? GetParam().predictor : 1);
      if (compression != tcNone) {
        EXPECT_LE(TIFFStripSize(tif.get()), 65536 + TIFFScanlineSize(tif.get()));
      } else {
        EXPECT_EQ(rows_per_strip, static_cast<uint32_t>(h));
      }

      TBitmap ours;
      LoadImageToBitmap(ours, path);
      TBitmap want;
      want.AssignFrom(&bitmap);
      want.SetPixelFormat(px24Bit);
      ours.SetPixelFormat(px24Bit);
      ASSERT_EQ(ours.Width(), w);
      ASSERT_EQ(ours.Height(), h);
      int mismatches = 0;
      for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
          if (ColorAt(ours, x, y) != ColorAt(want, x, y) && mismatches++ < 3) {
            ADD_FAILURE() << "our reader, pixel " << x << "," << y;
          }
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Pictures, CompressedTiff, ::testing::ValuesIn(kCompressedPictures),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillo
