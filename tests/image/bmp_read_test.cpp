// Reading BMP file images: the header variants, the colour table, run-length data, and every
// kind of damage a file can carry.
#include <gtest/gtest.h>

#include <cstring>

#include "image/bitmap.h"
#include "image/image_messages.h"
#include "platform/errors.h"
#include "support/bmp_test_support.h"

namespace quillo {
namespace {

using namespace std::string_literals;

using testing::BmpFile;
using testing::Bytes;
using testing::ColorAt;
using testing::InfoFields;
using testing::LoadBmp;
using testing::WriteToString;

// Two 24-bit pixels on each of two rows, stored bottom-up.
std::string TwoByTwo24(uint32_t size_image = 0) {
  const std::string rows =
      Bytes().Raw("\x01\x02\x03\x04\x05\x06").U16(0).Raw("\x11\x12\x13\x14\x15\x16").U16(0).Str();
  return BmpFile({.width = 2, .height = 2, .size_image = size_image}, "", rows);
}

std::string GreyTable(int count, int entry_size) {
  Bytes b;
  for (int i = 0; i < count; ++i) {
    const auto v = static_cast<uint8_t>(i);
    b.U8(v).U8(static_cast<uint8_t>(255 - i)).U8(static_cast<uint8_t>(i / 2));
    if (entry_size == 4) b.U8(0);
  }
  return b.Str();
}

TEST(ReadBmp, EmptyStreamGivesAnEmptyBitmap) {
  TBitmap bitmap;
  LoadBmp(bitmap, TwoByTwo24());
  ASSERT_FALSE(bitmap.Empty());
  LoadBmp(bitmap, "");
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(bitmap.Width(), 0);

  TMemoryStream at_end = testing::StreamOf(TwoByTwo24());
  at_end.Seek(0, soEnd);
  LoadBmp(bitmap, TwoByTwo24());
  bitmap.ReadBmp(at_end);
  EXPECT_TRUE(bitmap.Empty());
}

TEST(ReadBmp, ReadsFromTheStreamPositionToItsEnd) {
  TMemoryStream stream = testing::StreamOf("junk" + TwoByTwo24());
  stream.SetPosition(4);
  TBitmap bitmap;
  bitmap.ReadBmp(stream);
  EXPECT_EQ(bitmap.Width(), 2);
  EXPECT_EQ(ColorAt(bitmap, 0, 1), 0x030201u);
}

TEST(ReadBmp, AllocatesItsPictureOnce) {
  const std::string file = TwoByTwo24();
  TBitmap bitmap;
  const uint64_t before = TPixelBuffer::Allocations();
  testing::LoadBmp(bitmap, file);
  EXPECT_EQ(TPixelBuffer::Allocations() - before, 1u);
}

TEST(ReadBmp, CoreHeaderEightBitFileLoadsLikeAnInfoHeaderFile) {
  const std::string pixels = "\x00\x01\xFF\x00\x10\x20\x30\x00"s;
  const std::string core = testing::CoreBmpFile(3, 2, 8, GreyTable(256, 3), pixels);
  const std::string info =
      BmpFile({.width = 3, .height = 2, .bit_count = 8}, GreyTable(256, 4), pixels);
  TBitmap from_core, from_info;
  LoadBmp(from_core, core);
  LoadBmp(from_info, info);
  EXPECT_EQ(from_core.PixelFormat(), px8Bit);
  EXPECT_EQ(from_core.Width(), 3);
  EXPECT_EQ(from_core.Height(), 2);
  EXPECT_EQ(from_core.Palette()->entries, from_info.Palette()->entries);
  EXPECT_EQ(from_core.Palette()->entries[255], (TPaletteEntry{127, 0, 255}));
  for (int y = 0; y < 2; ++y) {
    EXPECT_EQ(std::memcmp(from_core.RowAddress(y), from_info.RowAddress(y), 3), 0);
  }
  EXPECT_EQ(WriteToString(from_core), core);
}

TEST(ReadBmp, WrongImageSizeFieldIsRecomputedForUncompressedFiles) {
  for (uint32_t size_image : {1u, 4096u}) {
    TBitmap bitmap;
    LoadBmp(bitmap, TwoByTwo24(size_image));
    EXPECT_EQ(ColorAt(bitmap, 1, 0), 0x161514u) << size_image;
    EXPECT_EQ(ColorAt(bitmap, 1, 1), 0x060504u) << size_image;
  }
}

TEST(ReadBmp, FileEndingInsideThePixelBlockLoadsTheBytesThatAreThere) {
  TBitmap bitmap;
  LoadBmp(bitmap, TwoByTwo24().substr(0, 54 + 10));
  const TBitmapImage& image = bitmap.Image();
  ASSERT_EQ(image.pixels.Size(), 16u);
  EXPECT_EQ(std::memcmp(image.pixels.Data(), "\x01\x02\x03\x04\x05\x06\x00\x00\x11\x12", 10), 0);
  for (size_t i = 10; i < 16; ++i) EXPECT_EQ(image.pixels.Data()[i], 0) << i;
}

struct Damage {
  const char* name;
  std::string bytes;
};

std::string Truncated(const std::string& file, size_t size) { return file.substr(0, size); }

const std::string kPal8 =
    BmpFile({.width = 1, .height = 1, .bit_count = 8}, GreyTable(256, 4), "\x07\0\0\0"s);
const std::string kPal8V5 = BmpFile({.width = 1, .height = 1, .bit_count = 8, .header_size = 124},
                                    GreyTable(256, 4), "\x07\0\0\0"s);
const std::string kBitFields16 =
    BmpFile({.width = 1, .height = 1, .bit_count = 16, .compression = 3},
            Bytes().U32(0xF800).U32(0x07E0).U32(0x001F).Str(), "\x1F\0\0\0"s);

class ShortFile : public ::testing::TestWithParam<Damage> {};

TEST_P(ShortFile, FailsWithTheReadErrorAndKeepsThePreviousPicture) {
  TBitmap bitmap;
  LoadBmp(bitmap, TwoByTwo24());
  const TBitmapImage* before = &bitmap.Image();
  try {
    LoadBmp(bitmap, GetParam().bytes);
    ADD_FAILURE() << "loaded";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), kReadErrorMessage);
  }
  EXPECT_EQ(&bitmap.Image(), before);
  EXPECT_EQ(ColorAt(bitmap, 0, 0), 0x131211u);
}

INSTANTIATE_TEST_SUITE_P(
    Damage, ShortFile,
    ::testing::Values(Damage{"TruncatedFileHeader", Truncated(kPal8, 10)},
                      Damage{"TruncatedHeaderSize", Truncated(kPal8, 16)},
                      Damage{"TruncatedInfoHeader", Truncated(kPal8, 40)},
                      Damage{"TruncatedV5Header", Truncated(kPal8V5, 100)},
                      Damage{"TruncatedCoreHeader",
                             Bytes().Raw("BM").Fill(12, 0).U32(12).U16(3).Str()},
                      Damage{"TruncatedMasks", Truncated(kBitFields16, 54 + 6)},
                      Damage{"TruncatedColourTable", Truncated(kPal8, 54 + 400)}),
    [](const auto& info) { return std::string(info.param.name); });

class RefusedFile : public ::testing::TestWithParam<Damage> {};

TEST_P(RefusedFile, FailsWithTheInvalidBitmapError) {
  TBitmap bitmap;
  try {
    LoadBmp(bitmap, GetParam().bytes);
    ADD_FAILURE() << "loaded";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), kInvalidBitmapMessage);
  }
  EXPECT_TRUE(bitmap.Empty());
}

std::string Headers(InfoFields fields) { return BmpFile(fields, std::string(1024, '\0'), ""); }

INSTANTIATE_TEST_SUITE_P(
    Damage, RefusedFile,
    ::testing::Values(Damage{"WrongSignature", "BA" + kPal8.substr(2)},
                      Damage{"TwoPlanes", Headers({.planes = 2})},
                      Damage{"HeaderSize20", Headers({.header_size = 20})},
                      Damage{"ColoursUsed257", Headers({.bit_count = 8, .clr_used = 257})},
                      Damage{"Compression4", Headers({.compression = 4})},
                      Damage{"AlphaBitFields", Headers({.bit_count = 32, .compression = 6})},
                      Damage{"BitCount2", Headers({.bit_count = 2})},
                      Damage{"BitCount0", Headers({.bit_count = 0})},
                      Damage{"BitCount30000", Headers({.bit_count = 30000})},
                      Damage{"NegativeWidth", Headers({.width = -3})},
                      Damage{"ZeroWidth", Headers({.width = 0})},
                      Damage{"ZeroHeight", Headers({.height = 0})},
                      Damage{"LowestHeight", Headers({.height = INT32_MIN})},
                      Damage{"PixelCountBeyondLimit", Headers({.width = 20000, .height = 20000})},
                      Damage{"RunLengthTopDown",
                             Headers({.height = -2, .bit_count = 8, .compression = 1})},
                      Damage{"Rle8With4Bits", Headers({.bit_count = 4, .compression = 1})},
                      Damage{"Rle4With8Bits", Headers({.bit_count = 8, .compression = 2})},
                      Damage{"BitFieldsWith24Bits", Headers({.bit_count = 24, .compression = 3})}),
    [](const auto& info) { return std::string(info.param.name); });

struct MaskCase {
  const char* name;
  std::string bytes;
  TPixelFormat format;
  uint32_t color;
};

class BitFields : public ::testing::TestWithParam<MaskCase> {};

TEST_P(BitFields, MasksComeFromBehindOrInsideTheHeaderAndAreWrittenBackAlike) {
  TBitmap bitmap;
  LoadBmp(bitmap, GetParam().bytes);
  EXPECT_EQ(bitmap.PixelFormat(), GetParam().format);
  TBitmap reread;
  LoadBmp(reread, WriteToString(bitmap));
  EXPECT_EQ(reread.PixelFormat(), GetParam().format);
  EXPECT_EQ(reread.Image().masks, bitmap.Image().masks);
  bitmap.SetPixelFormat(px24Bit);
  EXPECT_EQ(ColorAt(bitmap, 0, 0), GetParam().color);
}

std::string V4Masks16(uint32_t r, uint32_t g, uint32_t b, const std::string& pixel) {
  std::string file = BmpFile({.bit_count = 16, .compression = 3, .header_size = 108}, "", pixel);
  std::string masks = Bytes().U32(r).U32(g).U32(b).Str();
  return file.replace(14 + 40, 12, masks);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, BitFields,
    ::testing::Values(
        MaskCase{"Masks565AfterInfoHeader", kBitFields16, px16Bit, 0x0000FF},
        MaskCase{"Masks565InV4Header", V4Masks16(0xF800, 0x07E0, 0x001F, "\xE0\x07\0\0"s), px16Bit,
                 0x00FF00},
        MaskCase{"Masks555AsBitFields", V4Masks16(0x7C00, 0x03E0, 0x001F, "\x00\x7C\0\0"s),
                 pxCustom, 0xFF0000},
        MaskCase{"FourBitChannels", V4Masks16(0x0F00, 0x00F0, 0x000F, "\x8F\x0F\0\0"s), pxCustom,
                 0xFF88FF},
        MaskCase{"BitFieldsWithZeroMasks", V4Masks16(0, 0, 0, "\xE0\x07\0\0"s), px16Bit, 0x00FF00},
        MaskCase{"FifteenBitsUncompressed", BmpFile({.bit_count = 16}, "", "\x10\x42\0\0"s),
                 px15Bit, 0x848484},
        MaskCase{"ChannelsInTheTopBytes",
                 BmpFile({.bit_count = 32, .compression = 3},
                         Bytes().U32(0xFF000000).U32(0x00FF0000).U32(0x0000FF00).Str(),
                         "\x00\x30\x20\x10"s),
                 pxCustom, 0x102030}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadBmp, TopDownFileKeepsItsRowOrder) {
  const std::string file = BmpFile({.width = 1, .height = -2, .size_image = 8}, "",
                                   Bytes().U32(0x0A0B0C).U32(0x010203).Str());
  TBitmap bitmap;
  LoadBmp(bitmap, file);
  EXPECT_EQ(bitmap.Height(), 2);
  EXPECT_EQ(WriteToString(bitmap), file);
  EXPECT_EQ(bitmap.RowAddress(1) - bitmap.RowAddress(0), 4);
  EXPECT_EQ(ColorAt(bitmap, 0, 0), 0x0A0B0Cu);
  bitmap.SetHeight(3);
  EXPECT_EQ(bitmap.RowAddress(0) - bitmap.RowAddress(1), 4);
  EXPECT_EQ(ColorAt(bitmap, 0, 1), 0x010203u);
}

TEST(ReadBmp, GapBeforeThePixelsIsSkippedButAnOffsetIntoTheHeadersIsIgnored) {
  std::string gap = BmpFile({}, "", "\xEE\xEE\xEE\xEE\x01\x02\x03\x00"s);
  gap[10] = 58;  // the offset of the bits, past four bytes of padding
  TBitmap bitmap;
  LoadBmp(bitmap, gap);
  EXPECT_EQ(ColorAt(bitmap, 0, 0), 0x030201u);

  std::string backwards = BmpFile({}, "", "\x01\x02\x03\x00"s);
  backwards[10] = 20;
  LoadBmp(bitmap, backwards);
  EXPECT_EQ(ColorAt(bitmap, 0, 0), 0x030201u);
}

TEST(ReadBmp, ColourTableOfATrueColourFileBecomesItsPalette) {
  const std::string table = Bytes().U32(0x00112233).U32(0x00445566).Str();
  const std::string file = BmpFile({.size_image = 4, .clr_used = 2}, table, "\x01\x02\x03\x00"s);
  TBitmap bitmap;
  LoadBmp(bitmap, file);
  EXPECT_EQ(bitmap.PixelFormat(), px24Bit);
  ASSERT_NE(bitmap.Palette(), nullptr);
  EXPECT_EQ(bitmap.Palette()->entries,
            (std::vector<TPaletteEntry>{{0x11, 0x22, 0x33}, {0x44, 0x55, 0x66}}));
  EXPECT_EQ(WriteToString(bitmap), file);
}

TEST(ReadBmp, ColoursUsedCutsTheTableUntilTheRowsAreTouched) {
  const std::string file =
      BmpFile({.bit_count = 8, .size_image = 4, .clr_used = 3}, GreyTable(3, 4), "\x02\0\0\0"s);
  TBitmap bitmap;
  LoadBmp(bitmap, file);
  EXPECT_EQ(bitmap.Palette()->entries.size(), 3u);
  EXPECT_EQ(WriteToString(bitmap), file);
  bitmap.RowAddress(0);
  const std::string full = WriteToString(bitmap);
  EXPECT_EQ(full.size(), 14 + 40 + 1024 + 4u);
  EXPECT_EQ(full.substr(54, 12), GreyTable(3, 4));
}

// Colours 0 to 3 of the run-length tests.
const std::string kRleTable = Bytes().U32(0x0A141E).U32(0xFF0000).U32(0x00FF00).U32(0x0000FF).Str();

std::string Rle(int bits, int32_t width, int32_t height, const std::string& data) {
  return BmpFile({.width = width,
                  .height = height,
                  .bit_count = static_cast<uint16_t>(bits),
                  .compression = bits == 8 ? 1u : 2u,
                  .size_image = static_cast<uint32_t>(data.size()),
                  .clr_used = 4},
                 kRleTable, data);
}

// The colour indices of a picture row, -1 for black where the data never drew; read through a
// copy so the original stays untouched.
std::vector<int> Indices(TBitmap& bitmap, int32_t y) {
  TBitmap copy;
  copy.AssignFrom(&bitmap);
  std::vector<int> out;
  for (int32_t x = 0; x < copy.Width(); ++x) {
    const uint32_t c = ColorAt(copy, x, y);
    out.push_back(c == 0xFF0000   ? 1
                  : c == 0x00FF00 ? 2
                  : c == 0x0000FF ? 3
                  : c == 0x0A141E ? 0
                                  : -1);
  }
  return out;
}

// Rows from the bottom: a run and a literal cut at the row's end; a delta over the first pixel;
// a run past the row, then data for a row the picture does not have.
const std::string kRle8Data = Bytes()
                                  .Raw("\x03\x01\x00\x03\x02\x03\x01\x00\x00\x00"s)
                                  .Raw("\x00\x02\x01\x00\x02\x03\x00\x00"s)
                                  .Raw("\x0A\x02\x00\x00\x05\x01\x00\x01"s)
                                  .Str();

TEST(ReadBmp, Rle8DecodesRunsLiteralsDeltasAndCutsWhatPassesTheRow) {
  TBitmap bitmap;
  LoadBmp(bitmap, Rle(8, 4, 3, kRle8Data));
  EXPECT_EQ(bitmap.PixelFormat(), pxDevice);
  EXPECT_EQ(bitmap.Palette()->entries.size(), 4u);
  EXPECT_EQ(Indices(bitmap, 2), (std::vector<int>{1, 1, 1, 2}));
  EXPECT_EQ(Indices(bitmap, 1), (std::vector<int>{-1, 3, 3, -1}));
  EXPECT_EQ(Indices(bitmap, 0), (std::vector<int>{2, 2, 2, 2}));
}

TEST(ReadBmp, Rle4AlternatesTheNibblesAndPadsLiteralsToWords) {
  const std::string data =
      Bytes().Raw("\x05\x12\x00\x00"s).Raw("\x00\x05\x31\x20\x30\x00\x00\x01"s).Str();
  TBitmap bitmap;
  LoadBmp(bitmap, Rle(4, 5, 2, data));
  EXPECT_EQ(Indices(bitmap, 1), (std::vector<int>{1, 2, 1, 2, 1}));
  EXPECT_EQ(Indices(bitmap, 0), (std::vector<int>{3, 1, 2, 0, 3}));
}

TEST(ReadBmp, RunLengthFileIsWrittenBackByteForByteUntilARowIsTouched) {
  const std::string file = Rle(8, 4, 3, kRle8Data);
  TBitmap bitmap, sharer;
  LoadBmp(bitmap, file);
  sharer.AssignFrom(&bitmap);
  EXPECT_EQ(WriteToString(bitmap), file);

  bitmap.RowAddress(0);
  EXPECT_EQ(bitmap.PixelFormat(), px32Bit);
  const std::string plain = WriteToString(bitmap);
  EXPECT_EQ(WriteToString(sharer), file);
  EXPECT_EQ(plain.size(), 14 + 40 + 16 + 48u);  // the palette goes along as a colour table
  TBitmap reread;
  LoadBmp(reread, plain);
  EXPECT_EQ(reread.PixelFormat(), px32Bit);
  for (int y = 0; y < 3; ++y) EXPECT_EQ(Indices(reread, y), Indices(sharer, y)) << y;
}

struct RleDamage {
  const char* name;
  std::string data;
  std::vector<int> bottom_row;
};

class DamagedRle : public ::testing::TestWithParam<RleDamage> {};

TEST_P(DamagedRle, DrawsWhatFitsAndStops) {
  TBitmap bitmap;
  LoadBmp(bitmap, Rle(8, 3, 2, GetParam().data));
  EXPECT_EQ(Indices(bitmap, 1), GetParam().bottom_row);
}

INSTANTIATE_TEST_SUITE_P(
    Damage, DamagedRle,
    ::testing::Values(
        RleDamage{"RleRunPastRow", "\xFF\x01\x00\x01"s, {1, 1, 1}},
        RleDamage{"RleLiteralPastRow", "\x00\x05\x01\x02\x03\x01\x01\x00"s, {1, 2, 3}},
        RleDamage{"RleDeltaPastPicture", "\x00\x02\x01\x09\x02\x02"s, {-1, -1, -1}},
        RleDamage{"RleDeltaPastRow", "\x00\x02\xFF\x00\x02\x02\x00\x00\x01\x01"s, {-1, -1, -1}},
        RleDamage{"RleEndsInsideLiteral", "\x00\x09\x02\x03"s, {2, 3, -1}},
        RleDamage{"RleEndsInsideDelta", "\x01\x01\x00\x02\x01"s, {1, -1, -1}},
        RleDamage{"RleEndsAfterCountByte", "\x02\x03\x01"s, {3, 3, -1}},
        RleDamage{"RleNoData", "", {-1, -1, -1}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillo
