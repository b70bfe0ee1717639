#include "image/picture_size.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/exif_test_support.h"
#include "support/jpeg_test_support.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

using testing::LibjpegEncode;
using testing::PhotoSamples;
using testing::TempDir;

// An 8-bit RGB TIFF file written by libtiff, in either byte order.
void LibtiffWrite(const std::string& path, uint32_t width, uint32_t height, bool big_endian) {
  const std::unique_ptr<TIFF, void (*)(TIFF*)> tif(TIFFOpen(path.c_str(), big_endian ? "wb" : "wl"),
                                                   TIFFClose);
  ASSERT_TRUE(tif);
  TIFFSetField(tif.get(), TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tif.get(), TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tif.get(), TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif.get(), TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tif.get(), TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tif.get(), TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3, 0x80);
  for (uint32_t y = 0; y < height; ++y) ASSERT_EQ(TIFFWriteScanline(tif.get(), row.data(), y), 1);
}

std::string Le16(uint32_t v) { return {static_cast<char>(v), static_cast<char>(v >> 8)}; }
std::string Le32(uint32_t v) { return Le16(v) + Le16(v >> 16); }

// A BMP file's headers with the given info header size, width and height, and no pixels.
std::string BmpHeaders(uint32_t info_size, int32_t width, int32_t height) {
  std::string file = "BM" + Le32(0) + Le32(0) + Le32(14 + info_size) + Le32(info_size);
  if (info_size == 12) return file + Le16(width) + Le16(height) + Le16(1) + Le16(24);
  file += Le32(width) + Le32(static_cast<uint32_t>(height)) + Le16(1) + Le16(24);
  return file + std::string(info_size - 16, '\0');
}

TEST(PictureSize, HeadersOfEveryKindGiveTheSizeAndDamagedOnesNothing) {
  TempDir dir;
  const std::string jpeg = LibjpegEncode(PhotoSamples(40, 24));
  // A large EXIF block ahead of the frame header, as camera files have.
  const std::string with_exif = LibjpegEncode(
      PhotoSamples(16, 48),
      {.markers = {{testing::kApp1, testing::ExifPayload(6)}, {0xE2, std::string(60000, 'p')}}});
  LibtiffWrite(dir.File("little.tif"), 33, 17, false);
  LibtiffWrite(dir.File("big.tif"), 17, 33, true);
  struct Case {
    const char* name;
    std::string path;
    std::optional<std::pair<int, int>> size;
  };
  const Case cases[] = {
      {"JpegBaseline", dir.Write("a.jpg", jpeg), std::pair(40, 24)},
      {"JpegProgressive",
       dir.Write("p.jpg", LibjpegEncode(PhotoSamples(24, 40), {.progressive = true})),
       std::pair(24, 40)},
      {"JpegBehindLargeSegments", dir.Write("e.jpg", with_exif), std::pair(16, 48)},
      {"JpegNamedAsTiff", dir.Write("j.tif", jpeg), std::pair(40, 24)},
      {"TiffLittleEndian", dir.File("little.tif"), std::pair(33, 17)},
      {"TiffBigEndian", dir.File("big.tif"), std::pair(17, 33)},
      {"BmpInfoHeader", dir.Write("i.bmp", BmpHeaders(40, 300, 200)), std::pair(300, 200)},
      {"BmpTopDown", dir.Write("t.bmp", BmpHeaders(40, 300, -200)), std::pair(300, 200)},
      {"BmpCoreHeader", dir.Write("c.bmp", BmpHeaders(12, 70, 9)), std::pair(70, 9)},
      {"JpegCutBeforeTheFrame", dir.Write("cut.jpg", jpeg.substr(0, 20)), std::nullopt},
      {"JpegScanBeforeAnyFrame", dir.Write("s.jpg", std::string("\xFF\xD8\xFF\xDA\0\x02", 6)),
       std::nullopt},
      {"TiffDirectoryPastTheEnd", dir.Write("d.tif", "II*\0\xFF\0\0\0"), std::nullopt},
      {"BmpCutShort", dir.Write("s.bmp", BmpHeaders(40, 3, 3).substr(0, 20)), std::nullopt},
      {"EmptyFile", dir.Write("empty.jpg"), std::nullopt},
      {"OtherKind", dir.Write("x.png", "\x89PNG\r\n\x1a\n"), std::nullopt},
      {"MissingFile", dir.File("gone.jpg"), std::nullopt},
      {"Folder", dir.Mkdir("folder.jpg"), std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<TPictureSize> size = ReadPictureSize(c.path);
    ASSERT_EQ(size.has_value(), c.size.has_value());
    if (!size) continue;
    EXPECT_EQ(size->width, c.size->first);
    EXPECT_EQ(size->height, c.size->second);
  }
}

}  // namespace
}  // namespace quillo
