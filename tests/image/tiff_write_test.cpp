// The bytes of the TIFF files the writer makes, and its refusals and write failures.
#include "image/tiff_write.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <vector>

#include "image/image_messages.h"
#include "platform/errors.h"
#include "support/bmp_test_support.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

using namespace std::string_literals;
using testing::Bytes;
using testing::SetColor;

struct Entry {
  uint16_t tag;
  uint16_t type;
  uint32_t count;
  uint32_t value;

  bool operator==(const Entry&) const = default;
  friend std::ostream& operator<<(std::ostream& os, const Entry& e) {
    return os << "{" << e.tag << ", " << e.type << ", " << e.count << ", " << e.value << "}";
  }
};

enum : uint16_t { kAscii = 2, kShort = 3, kLong = 4, kRational = 5 };

// A written file with its one directory taken apart.
struct Tiff {
  std::string bytes;
  uint32_t directory = 0;
  std::vector<Entry> entries;
  uint32_t next = 0;

  uint16_t U16At(size_t at) const {
    return LoadU16(reinterpret_cast<const uint8_t*>(bytes.data() + at));
  }
  uint32_t U32At(size_t at) const {
    return LoadU32(reinterpret_cast<const uint8_t*>(bytes.data() + at));
  }
  Entry Field(uint16_t tag) const {
    for (const Entry& e : entries) {
      if (e.tag == tag) return e;
    }
    ADD_FAILURE() << "no field " << tag;
    return {};
  }
};

Tiff TiffOf(TBitmap& bitmap) {
  TMemoryStream out;
  WriteTiff(out, bitmap);
  Tiff tiff;
  tiff.bytes = testing::BytesOf(out);
  if (tiff.bytes.size() < 8) return tiff;
  tiff.directory = tiff.U32At(4);
  const uint16_t count = tiff.U16At(tiff.directory);
  for (uint16_t i = 0; i < count; ++i) {
    const size_t at = tiff.directory + 2 + 12 * size_t{i};
    tiff.entries.push_back(
        {tiff.U16At(at), tiff.U16At(at + 2), tiff.U32At(at + 4), tiff.U32At(at + 8)});
  }
  tiff.next = tiff.U32At(tiff.directory + 2 + 12 * size_t{count});
  return tiff;
}

// The 2 x 2 picture every true-colour layout is compared with.
void FourColours(TBitmap& bitmap, TPixelFormat format) {
  bitmap.SetPixelFormat(format);
  bitmap.SetWidth(2);
  bitmap.SetHeight(2);
  SetColor(bitmap, 0, 0, 0x102030);
  SetColor(bitmap, 1, 0, 0x405060);
  SetColor(bitmap, 0, 1, 0x708090);
  SetColor(bitmap, 1, 1, 0xA0B0C0);
}

const std::string kFourColoursRgb = "\x10\x20\x30\x40\x50\x60\x70\x80\x90\xA0\xB0\xC0"s;

TEST(WriteTiff, TwoByTwoTrueColourFileHoldsEveryItemWhereItsOffsetSays) {
  TBitmap bitmap;
  FourColours(bitmap, px24Bit);
  const Tiff tiff = TiffOf(bitmap);
  ASSERT_EQ(tiff.bytes.size(), 240u);
  EXPECT_EQ(tiff.bytes.substr(0, 8), "II\x2A\0\x36\0\0\0"s);
  // Resolutions, bits per sample, then the Software bytes with their terminating zero.
  EXPECT_EQ(
      tiff.bytes.substr(8, 33),
      Bytes().U32(877).U32(10).U32(877).U32(10).U16(8).U16(8).U16(8).Raw("Brenquatil\0"s).Str());
  EXPECT_EQ(tiff.bytes.substr(41, 12), kFourColoursRgb);
  EXPECT_EQ(tiff.entries, (std::vector<Entry>{{254, kLong, 1, 0},
                                              {256, kShort, 1, 2},
                                              {257, kShort, 1, 2},
                                              {258, kShort, 3, 24},
                                              {259, kShort, 1, 1},
                                              {262, kShort, 1, 2},
                                              {273, kLong, 1, 41},
                                              {277, kShort, 1, 3},
                                              {278, kLong, 1, 2},
                                              {279, kLong, 1, 12},
                                              {282, kRational, 1, 8},
                                              {283, kRational, 1, 16},
                                              {284, kShort, 1, 1},
                                              {296, kShort, 1, 2},
                                              {305, kAscii, 11, 30}}));
  EXPECT_EQ(tiff.next, 0u);
}

TEST(WriteTiff, ThirtyTwoBitAndTopDownPicturesGiveTheSameFileAsTheTwentyFourBitOne) {
  TBitmap bitmap;
  FourColours(bitmap, px24Bit);
  const std::string expected = TiffOf(bitmap).bytes;

  TBitmap wide;
  FourColours(wide, px32Bit);
  for (int32_t y = 0; y < 2; ++y) wide.RowAddress(y)[3] = 0x5A;
  EXPECT_EQ(TiffOf(wide).bytes, expected);

  // Stored top row first, each row with two padding bytes that must not reach the file.
  TBitmap top_down;
  testing::LoadBmp(top_down, testing::BmpFile({.width = 2, .height = -2}, "",
                                              "\x30\x20\x10\x60\x50\x40\xEE\xEE"
                                              "\x90\x80\x70\xC0\xB0\xA0\xEE\xEE"s));
  EXPECT_EQ(TiffOf(top_down).bytes, expected);
}

// The colour table of a 1-bit picture: as converted (black, white), or set afterwards.
enum TwoColours : uint8_t { kConverted, kWhiteBlack, kRedBlue };

struct Layout {
  const char* name;
  TPixelFormat format;
  TwoColours colours;
  int32_t width;
  size_t entries;
  uint16_t photometric;
  uint16_t bits;
  uint32_t color_map_count;  // 0: no colour map
  uint32_t resolution;       // X, then Y 8 bytes later
  uint32_t software;
  uint32_t strip;
  uint32_t row_bytes;
};

class LayoutFile : public ::testing::TestWithParam<Layout> {};

TEST_P(LayoutFile, PlacesEachItemInFileOrderAndPointsTheDirectoryAtIt) {
  const Layout& c = GetParam();
  TBitmap bitmap;
  bitmap.SetPixelFormat(px24Bit);
  bitmap.SetWidth(c.width);
  bitmap.SetHeight(2);
  bitmap.SetPixelFormat(c.format);
  if (c.colours == kWhiteBlack) bitmap.SetPalette(MakePalette({{255, 255, 255}, {0, 0, 0}}));
  if (c.colours == kRedBlue) bitmap.SetPalette(MakePalette({{200, 0, 0}, {0, 0, 100}}));
  const Tiff tiff = TiffOf(bitmap);

  ASSERT_EQ(tiff.entries.size(), c.entries);
  for (size_t i = 1; i < c.entries; ++i) EXPECT_LT(tiff.entries[i - 1].tag, tiff.entries[i].tag);
  EXPECT_EQ(tiff.Field(256), (Entry{256, kShort, 1, static_cast<uint32_t>(c.width)}));
  EXPECT_EQ(tiff.Field(257), (Entry{257, kShort, 1, 2}));
  EXPECT_EQ(tiff.Field(262).value, c.photometric);
  EXPECT_EQ(tiff.Field(273).value, c.strip);
  EXPECT_EQ(tiff.Field(279).value, 2 * c.row_bytes);
  EXPECT_EQ(tiff.Field(282).value, c.resolution);
  EXPECT_EQ(tiff.Field(283).value, c.resolution + 8);
  EXPECT_EQ(tiff.Field(305), (Entry{305, kAscii, 11, c.software}));
  EXPECT_EQ(tiff.bytes.substr(c.resolution, 16), Bytes().U32(877).U32(10).U32(877).U32(10).Str());
  EXPECT_EQ(tiff.bytes.substr(c.software, 11), "Brenquatil\0"s);
  const bool bilevel = c.strip == 8;
  // The directory starts on the word boundary after the last item.
  const uint32_t items_end = bilevel ? c.software + 11 : c.strip + 2 * c.row_bytes;
  EXPECT_EQ(tiff.directory, items_end + items_end % 2);
  EXPECT_EQ(tiff.bytes.size(), tiff.directory + 2 + 12 * c.entries + 4);
  if (c.photometric == 2) {
    EXPECT_EQ(tiff.Field(258), (Entry{258, kShort, 3, 24}));
    EXPECT_EQ(tiff.bytes.substr(24, 6), "\x08\0\x08\0\x08\0"s);
  } else {
    EXPECT_EQ(tiff.Field(258), (Entry{258, kShort, 1, c.bits}));
  }
  if (c.color_map_count == 0) return;
  // 65535 is full intensity: each 8-bit component times 257.
  EXPECT_EQ(tiff.Field(320), (Entry{320, kShort, c.color_map_count, 8}));
  const std::vector<TPaletteEntry>& colours = bitmap.Palette()->entries;
  const size_t n = c.color_map_count / 3;
  ASSERT_EQ(colours.size(), n);
  for (size_t i = 0; i < n; ++i) {
    EXPECT_EQ(tiff.U16At(8 + 2 * i), colours[i].red * 257) << i;
    EXPECT_EQ(tiff.U16At(8 + 2 * (n + i)), colours[i].green * 257) << i;
    EXPECT_EQ(tiff.U16At(8 + 2 * (2 * n + i)), colours[i].blue * 257) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, LayoutFile,
    ::testing::Values(
        Layout{"Bilevel9", px1Bit, kConverted, 9, 14, 1, 1, 0, 12, 28, 8, 2},
        Layout{"WhiteThenBlack", px1Bit, kWhiteBlack, 9, 14, 0, 1, 0, 12, 28, 8, 2},
        Layout{"TwoColours", px1Bit, kRedBlue, 9, 15, 3, 1, 6, 20, 36, 47, 2},
        Layout{"FourBitOddWidth", px4Bit, kConverted, 7, 15, 3, 4, 48, 104, 120, 131, 4},
        Layout{"FourBitThreeWide", px4Bit, kConverted, 3, 15, 3, 4, 48, 104, 120, 131, 2},
        Layout{"EightBit", px8Bit, kConverted, 3, 15, 3, 8, 768, 1544, 1560, 1571, 3},
        Layout{"FifteenBit", px15Bit, kConverted, 3, 15, 2, 8, 0, 8, 30, 41, 9},
        Layout{"SixteenBit", px16Bit, kConverted, 3, 15, 2, 8, 0, 8, 30, 41, 9}),
    [](const auto& info) { return std::string(info.param.name); });

struct StoredRow {
  const char* name;
  TPixelFormat format;
  int32_t width;
  std::string stored;   // the whole stored row, padding included
  std::string written;  // the strip
};

TEST(WriteTiff, RowsKeepEveryPixelAndNothingOfTheirPadding) {
  const StoredRow cases[] = {
      {"bilevel 9", px1Bit, 9, "\xA5\xFF\xFF\xFF"s, "\xA5\x80"s},
      {"4-bit 3", px4Bit, 3, "\x12\x3F\xFF\xFF"s, "\x12\x30"s},
      {"4-bit 7", px4Bit, 7, "\x12\x34\x56\x7F"s, "\x12\x34\x56\x70"s},
      {"8-bit 3", px8Bit, 3, "\x01\x02\x03\xFF"s, "\x01\x02\x03"s},
      {"15-bit red green", px15Bit, 2, "\x00\x7C\xE0\x03"s, "\xFF\0\0\0\xFF\0"s},
      {"15-bit blue", px15Bit, 1, "\x1F\x00\xFF\xFF"s, "\0\0\xFF"s},
      {"16-bit red green", px16Bit, 2, "\x00\xF8\xE0\x07"s, "\xFF\0\0\0\xFF\0"s},
      {"16-bit half grey", px16Bit, 1, "\xEF\x7B\xFF\xFF"s, "\x7B\x7D\x7B"s},
  };
  for (const StoredRow& c : cases) {
    SCOPED_TRACE(c.name);
    TBitmap bitmap;
    bitmap.SetPixelFormat(c.format);
    bitmap.SetWidth(c.width);
    bitmap.SetHeight(1);
    std::copy(c.stored.begin(), c.stored.end(), bitmap.RowAddress(0));
    const Tiff tiff = TiffOf(bitmap);
    EXPECT_EQ(tiff.Field(256).value, static_cast<uint32_t>(c.width));
    EXPECT_EQ(tiff.bytes.substr(tiff.Field(273).value, tiff.Field(279).value), c.written);
  }
}

TEST(WriteTiff, DimensionsBeyondSixteenBitsAreWrittenAsLong) {
  const struct {
    int32_t width, height;
    Entry image_width, image_length;
  } cases[] = {
      {65535, 1, {256, kShort, 1, 65535}, {257, kShort, 1, 1}},
      {65536, 1, {256, kLong, 1, 65536}, {257, kShort, 1, 1}},
      {1, 70000, {256, kShort, 1, 1}, {257, kLong, 1, 70000}},
  };
  for (const auto& c : cases) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(px1Bit);
    bitmap.SetWidth(c.width);
    bitmap.SetHeight(c.height);
    const Tiff tiff = TiffOf(bitmap);
    EXPECT_EQ(tiff.Field(256), c.image_width);
    EXPECT_EQ(tiff.Field(257), c.image_length);
    EXPECT_EQ(tiff.Field(279).value, static_cast<uint32_t>(c.height * ((c.width + 7) / 8)));
  }
}

// A store in a depth the bitmap itself never builds.
class TwoBitBitmap : public TBitmap {
 public:
  TwoBitBitmap() {
    auto image = std::make_shared<TBitmapImage>();
    image->device = false;
    image->header = {.width = 4, .height = 1, .bit_count = 2};
    image->AllocatePixels();
    InstallImage(std::move(image));
  }
};

TEST(WriteTiff, NothingToWriteIsRefusedAndLeavesNoFile) {
  TBitmap empty;
  empty.SetPixelFormat(px24Bit);
  empty.SetWidth(5);
  TwoBitBitmap two_bits;
  const struct {
    const char* name;
    TBitmap& bitmap;
    const char* message;
  } cases[] = {{"empty", empty, kInvalidBitmapMessage},
               {"2-bit", two_bits, kInvalidPixelFormatMessage}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempDir dir;
    const std::string kept = dir.Write("kept.tif", "old");
    for (const std::string& path : {kept, dir.File("new.tif")}) {
      try {
        SaveTiffFile(path, c.bitmap);
        ADD_FAILURE() << "saved " << path;
      } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), c.message);
      }
    }
    EXPECT_EQ(testing::ReadFile(kept), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
  }
}

// A memory stream that stores only its first `budget` bytes, like a disk that fills up, and
// that may refuse to go back.
class FillingStream : public TMemoryStream {
 public:
  FillingStream(int64_t budget, bool seekable) : budget_(budget), seekable_(seekable) {}
  int64_t Write(const void* buffer, int64_t count) override {
    const int64_t n = std::min(count, std::max<int64_t>(0, budget_ - Position()));
    return TMemoryStream::Write(buffer, n);
  }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    if (!seekable_ && !(offset == 0 && origin == soCurrent)) return -1;
    return TMemoryStream::Seek(offset, origin);
  }

 private:
  int64_t budget_;
  bool seekable_;
};

TEST(WriteTiff, StreamThatStopsTakingBytesAnywhereFailsWithTheWriteError) {
  TBitmap bitmap;
  FourColours(bitmap, px24Bit);
  for (int64_t budget = 0; budget < 238; ++budget) {
    FillingStream stream(budget, true);
    EXPECT_THROW(WriteTiff(stream, bitmap), EWriteError) << budget;
  }
  FillingStream unseekable(1000, false);
  try {
    WriteTiff(unseekable, bitmap);
    ADD_FAILURE() << "written";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), kWriteErrorMessage);
  }
}

TEST(SaveTiffFile, FullDiskLeavesTheOldTargetAndNoOtherFile) {
  testing::TempDir dir;
  const std::string target = dir.Write("photo.tif", "old");
  TBitmap bitmap;
  bitmap.SetPixelFormat(px24Bit);
  bitmap.SetWidth(100);
  bitmap.SetHeight(100);
  for (const std::string& path : {target, dir.File("new.tif")}) {
    const testing::FileSizeLimit limit(4096);
    EXPECT_THROW(SaveTiffFile(path, bitmap), EWriteError);
  }
  EXPECT_EQ(testing::ReadFile(target), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);

  SaveTiffFile(target, bitmap);
  EXPECT_EQ(testing::ReadFile(target), TiffOf(bitmap).bytes);
  EXPECT_THROW(SaveTiffFile(dir.File("no/folder.tif"), bitmap), EFCreateError);
}

TEST(WriteTiff, OffsetsCountFromWhereTheTiffStarts) {
  TBitmap bitmap;
  FourColours(bitmap, px24Bit);
  TMemoryStream stream;
  stream.WriteBuffer("lead", 4);
  WriteTiff(stream, bitmap);
  EXPECT_EQ(stream.Position(), 4 + 240);
  EXPECT_EQ(testing::BytesOf(stream), "lead" + TiffOf(bitmap).bytes);
}

}  // namespace
}  // namespace quillo
