// Pictures that claim far more than their files hold: refused before their store is made, and a
// real picture in one tall strip loaded without a second copy of the strip.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "image/image_limits.h"
#include "image/jpeg_image.h"
#include "imagelib/formats/png_graphic.h"
#include "imagelib/tiff/tiff_graphic.h"
#include "platform/errors.h"
#include "support/bmp_test_support.h"
#include "support/child_process.h"
#include "support/jpeg_test_support.h"
#include "support/temp_dir.h"
#include "support/tiff_bytes.h"
#include "tiff_oracle.h"

namespace quillo {
namespace {

using testing::TiffBytes;

// 16384 × 16384 RGB samples in one strip of 28 bytes.
std::string TiffClaimingAGigabyte() {
  TiffBytes t;
  const uint32_t bits = t.Words({8, 8, 8});
  const uint32_t strip = t.Data(std::vector<uint8_t>(28, 0x80));
  t.Long(256, 16384).Long(257, 16384).Entry(258, 3, 3, bits).Short(259, 1).Short(262, 2);
  t.Long(273, strip).Short(277, 3).Long(278, 16384).Long(279, 28);
  return t.File();
}

// A grey 8 × 8 picture whose frame header then claims the given size.
std::string JpegClaiming(uint16_t width, uint16_t height) {
  std::string jpeg = testing::LibjpegEncode(
      testing::PhotoSamples(8, 8), {.quality = 10, .input = JCS_RGB, .jpeg = JCS_GRAYSCALE});
  const size_t frame = jpeg.find("\xFF\xC0");
  jpeg[frame + 5] = static_cast<char>(height >> 8);
  jpeg[frame + 6] = static_cast<char>(height & 0xFF);
  jpeg[frame + 7] = static_cast<char>(width >> 8);
  jpeg[frame + 8] = static_cast<char>(width & 0xFF);
  return jpeg;
}

void PutChunk(std::string& png, const char* type, const std::string& payload) {
  const auto put32 = [&](uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) png += static_cast<char>(v >> shift);
  };
  put32(static_cast<uint32_t>(payload.size()));
  const std::string body = type + payload;
  png += body;
  put32(static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
}

// A grey PNG claiming the size, with one deflated row of zeros as its data.
std::string PngClaiming(uint32_t width, uint32_t height) {
  std::string png = "\x89PNG\r\n\x1A\n";
  std::string header;
  for (const uint32_t v : {width, height}) {
    for (int shift = 24; shift >= 0; shift -= 8) header += static_cast<char>(v >> shift);
  }
  header += std::string("\x08\x00\x00\x00\x00", 5);
  PutChunk(png, "IHDR", header);
  const std::string row(1 + 64, '\0');
  uLongf size = compressBound(static_cast<uLong>(row.size()));
  std::string deflated(size, '\0');
  compress(reinterpret_cast<Bytef*>(deflated.data()), &size,
           reinterpret_cast<const Bytef*>(row.data()), static_cast<uLong>(row.size()));
  deflated.resize(size);
  PutChunk(png, "IDAT", deflated);
  PutChunk(png, "IEND", "");
  return png;
}

void LoadTiff(const std::string& bytes) {
  TMemoryStream stream = testing::StreamOf(bytes);
  TTIFFGraphic().LoadFromStream(stream);
}

void LoadJpeg(const std::string& bytes) {
  TMemoryStream stream = testing::StreamOf(bytes);
  TJPEGImage jpeg;
  jpeg.LoadFromStream(stream);
  jpeg.DecodeToBitmap();
}

void LoadBmp(const std::string& bytes) {
  TBitmap bitmap;
  testing::LoadBmp(bitmap, bytes);
}

void LoadPng(const std::string& bytes) {
  TMemoryStream stream = testing::StreamOf(bytes);
  TPNGGraphic().LoadFromStream(stream);
}

TEST(ClaimedSize, PictureFarLargerThanItsFileIsRefused) {
  const std::string too_little = kTooLittleDataMessage;
  const struct {
    const char* name;
    std::string file;
    std::function<void(const std::string&)> load;
    std::string message;  // empty: loads
  } cases[] = {
      {"TiffOfAGigabyteIn156Bytes", TiffClaimingAGigabyte(), LoadTiff, too_little},
      {"JpegOf16000SquaredInAFewHundredBytes", JpegClaiming(16000, 16000), LoadJpeg, too_little},
      {"BmpOf16384SquaredIn70Bytes",
       testing::BmpFile({.width = 16384, .height = 16384}, "", std::string(16, '\0')), LoadBmp,
       too_little},
      {"PngOf16384SquaredInAFewDozenBytes", PngClaiming(16384, 16384), LoadPng,
       "Invalid PNG image: " + too_little + "."},
      // Below 64 MB of store any file may claim its picture: the missing data read as zeros.
      {"BmpOf4096SquaredIn70Bytes",
       testing::BmpFile({.width = 4096, .height = 4096, .bit_count = 8}, std::string(1024, '\0'),
                        std::string(16, '\0')),
       LoadBmp, ""},
      {"JpegOf4096SquaredInAFewHundredBytes", JpegClaiming(4096, 4096), LoadJpeg, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.message.empty()) {
      EXPECT_NO_THROW(c.load(c.file));
      continue;
    }
    try {
      c.load(c.file);
      ADD_FAILURE() << "loaded";
    } catch (const EInvalidGraphic& error) {
      EXPECT_EQ(error.Message(), c.message);
    }
  }
  EXPECT_EQ(TiffClaimingAGigabyte().size(), 156u);
  EXPECT_EQ(testing::BmpFile({.width = 1, .height = 1}, "", std::string(16, '\0')).size(), 70u);
}

TEST(ClaimedSize, TheRuleTakesTenThousandTimesTheFileAndSixtyFourMegabytes) {
  constexpr int64_t kMb = int64_t{1} << 20;
  const struct {
    const char* name;
    int64_t store;
    int64_t file;
    bool holds;
  } cases[] = {
      {"SixtyFourMegabytesFromNothing", 64 * kMb, 0, true},
      {"OneByteMoreFromNothing", 64 * kMb + 1, 0, false},
      {"TenThousandTimesTheFile", 100000 * kMb, 10 * kMb, true},
      {"OneByteBeyondTenThousandTimes", 100000 * kMb + 1, 10 * kMb, false},
      {"AGigabyteFromAHundredAndTenKilobytes", 1024 * kMb, 110 * 1024, true},
      {"AGigabyteFromTenKilobytes", 1024 * kMb, 10 * 1024, false},
  };
  for (const auto& c : cases) EXPECT_EQ(HoldsDataFor(c.store, c.file), c.holds) << c.name;
}

// The peak resident memory of the process, in bytes.
int64_t PeakResidentBytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return int64_t{usage.ru_maxrss} * 1024;
}

// Loads the file and checks it against libtiff's decoding; 0 when the peak memory the load added
// stayed within the store and 64 MB and the pixels agree.
int LoadWithinTheMemoryBound(const std::string& path, uint32_t width, uint32_t height) {
  const int64_t store = RowStride(width, 24) * height;
  const int64_t before = PeakResidentBytes();
  TTIFFGraphic graphic;
  graphic.LoadFile(path);
  const int64_t grown = PeakResidentBytes() - before;
  std::fprintf(stderr, "store %lld bytes, peak grew by %lld bytes\n", static_cast<long long>(store),
               static_cast<long long>(grown));
  const std::vector<uint8_t> expected = testing::ReadSamples(path);
  if (expected.size() != size_t{width} * height * 3) return 2;
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = graphic.RowAddress(static_cast<int32_t>(y));
    const uint8_t* rgb = expected.data() + size_t{y} * width * 3;
    for (uint32_t x = 0; x < width; ++x) {
      if (row[3 * x] != rgb[3 * x + 2] || row[3 * x + 1] != rgb[3 * x + 1] ||
          row[3 * x + 2] != rgb[3 * x]) {
        return 3;
      }
    }
  }
  return grown <= store + kSmallStoreBytes ? 0 : 1;
}

TEST(ClaimedSize, TallSingleStripLoadsWithinTheStorePlusSixtyFourMegabytes) {
  constexpr uint32_t kWidth = 2048;
  constexpr uint32_t kHeight = 16384;
  const std::vector<uint8_t> samples = testing::Pattern(size_t{kWidth} * kHeight * 3);
  const struct {
    const char* name;
    uint16_t compression;
    uint16_t predictor;
  } cases[] = {
      {"Uncompressed", 1, 0},
      {"DeflateWithDifferences", 8, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempDir dir;
    const std::string path = dir.File("tall.tif");
    testing::WriteTiff(path,
                       {.width = kWidth,
                        .height = kHeight,
                        .samples = 3,
                        .photometric = 2,
                        .compression = c.compression,
                        .predictor = c.predictor},
                       samples);
    const int status = testing::RunInChild(
        [&] { return LoadWithinTheMemoryBound(path, kWidth, kHeight); }, std::chrono::seconds(60));
    EXPECT_EQ(status, 0) << "1: beyond the bound, 2: libtiff refused, 3: pixels differ";
  }
}

TEST(ClaimedSize, UncompressedTileFarWiderThanThePictureGivesTheBytesItHas) {
  TiffBytes t;
  const uint32_t tile = t.Data({0, 10, 20, 30, 40, 50, 60, 70});
  t.Long(256, 4).Long(257, 2).Short(258, 8).Short(259, 1).Short(262, 1).Short(277, 1);
  t.Long(322, 65536).Long(323, 65536).Long(324, tile).Long(325, 8);
  TMemoryStream stream = testing::StreamOf(t.File());
  TTIFFGraphic graphic;
  graphic.LoadFromStream(stream);
  std::vector<uint32_t> grays;
  for (int32_t y = 0; y < 2; ++y) {
    for (int32_t x = 0; x < 4; ++x) grays.push_back(testing::ColorAt(graphic, x, y) & 0xFF);
  }
  // The second row of the tile lies 64 KB on, past the file's end.
  EXPECT_EQ(grays, (std::vector<uint32_t>{0, 10, 20, 30, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace quillo
