// Writing BMP file images, round trips through the reader, and the file operations.
#include <gtest/gtest.h>

#include <filesystem>

#include "image/bitmap.h"
#include "image/dib.h"
#include "image/image_messages.h"
#include "platform/errors.h"
#include "platform/file_stream.h"
#include "support/bmp_test_support.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

using namespace std::string_literals;
using testing::ColorAt;
using testing::LoadBmp;
using testing::SetColor;
using testing::WriteToString;

uint32_t U32At(const std::string& s, size_t at) {
  return LoadU32(reinterpret_cast<const uint8_t*>(s.data() + at));
}

// A 5 x 3 picture of distinct colours in the given format.
void Picture(TBitmap& bitmap, TPixelFormat format) {
  bitmap.SetPixelFormat(px24Bit);
  bitmap.SetWidth(5);
  bitmap.SetHeight(3);
  for (int32_t y = 0; y < 3; ++y) {
    for (int32_t x = 0; x < 5; ++x)
      SetColor(bitmap, x, y, 0x332211u * static_cast<uint32_t>(x + 5 * y));
  }
  bitmap.SetPixelFormat(format);
}

TEST(WriteBmp, OneByOneTwentyFourBitFileIs58Bytes) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(px24Bit);
  bitmap.SetWidth(1);
  bitmap.SetHeight(1);
  SetColor(bitmap, 0, 0, 0x112233);
  const std::string file = WriteToString(bitmap);
  ASSERT_EQ(file.size(), 58u);
  EXPECT_EQ(file.substr(0, 2), "BM");
  EXPECT_EQ(U32At(file, 2), 58u);
  EXPECT_EQ(U32At(file, 6), 0u);
  EXPECT_EQ(U32At(file, 10), 54u);
  const TBitmapInfoHeader h = LoadInfoHeader(reinterpret_cast<const uint8_t*>(file.data() + 14));
  EXPECT_EQ(h, (TBitmapInfoHeader{.width = 1, .height = 1, .bit_count = 24, .size_image = 4}));
  EXPECT_EQ(file.substr(54, 3), "\x33\x22\x11");
}

struct Layout {
  TPixelFormat format;
  uint32_t offset;  // of the bits: both headers, masks and colour table
  uint16_t bit_count;
  uint32_t compression;
  uint32_t clr_used;
};

class FormatFile : public ::testing::TestWithParam<Layout> {};

TEST_P(FormatFile, HasTheHeadersOfItsFormatAndReadsBackPixelForPixel) {
  const Layout& layout = GetParam();
  TBitmap bitmap;
  Picture(bitmap, layout.format);
  const std::string file = WriteToString(bitmap);
  EXPECT_EQ(U32At(file, 10), layout.offset);
  const TBitmapInfoHeader h = LoadInfoHeader(reinterpret_cast<const uint8_t*>(file.data() + 14));
  EXPECT_EQ(h.bit_count, layout.bit_count);
  EXPECT_EQ(h.compression, layout.compression);
  EXPECT_EQ(h.clr_used, layout.clr_used);
  EXPECT_EQ(file.size(), layout.offset + h.size_image);
  if (layout.compression == kDibBitFields) {
    EXPECT_EQ(file.substr(54, 12), "\0\xF8\0\0\xE0\x07\0\0\x1F\0\0\0"s);
  }

  TBitmap reread;
  LoadBmp(reread, file);
  EXPECT_EQ(reread.PixelFormat(), layout.format == pxDevice ? px32Bit : layout.format);
  if (layout.clr_used > 0) {
    EXPECT_EQ(reread.Palette()->entries, bitmap.Palette()->entries);
  }
  for (int32_t y = 0; y < 3; ++y) {
    for (int32_t x = 0; x < 5; ++x)
      EXPECT_EQ(ColorAt(reread, x, y), ColorAt(bitmap, x, y)) << x << "," << y;
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryFormat, FormatFile,
    ::testing::Values(Layout{pxDevice, 54, 32, 0, 0}, Layout{px1Bit, 62, 1, 0, 2},
                      Layout{px4Bit, 118, 4, 0, 16}, Layout{px8Bit, 1078, 8, 0, 256},
                      Layout{px15Bit, 54, 16, 0, 0}, Layout{px16Bit, 66, 16, 3, 0},
                      Layout{px24Bit, 54, 24, 0, 0}, Layout{px32Bit, 54, 32, 0, 0}),
    [](const auto& info) { return "Format" + std::to_string(int{info.param.format}); });

TEST(WriteBmp, TrueColourPicturesCarryAPaletteAlongUnlessItIsTheHalftoneOne) {
  TBitmap bitmap;
  Picture(bitmap, px4Bit);
  bitmap.SetPixelFormat(px24Bit);
  std::string file = WriteToString(bitmap);
  EXPECT_EQ(U32At(file, 10), 14 + 40 + 64u);
  EXPECT_EQ(U32At(file, 14 + 32), 16u);

  Picture(bitmap, px8Bit);
  bitmap.SetPixelFormat(px24Bit);
  file = WriteToString(bitmap);
  EXPECT_EQ(U32At(file, 10), 54u);
}

TEST(WriteBmp, CoreHeaderIsKeptOnlyWhileItCanDescribeThePicture) {
  const std::string core = testing::CoreBmpFile(1, 1, 1, "\0\0\0\xFF\xFF\xFF"s, "\x80\0\0\0"s);
  TBitmap bitmap;
  LoadBmp(bitmap, core);
  EXPECT_EQ(WriteToString(bitmap), core);

  bitmap.SetWidth(70000);
  std::string file = WriteToString(bitmap);
  EXPECT_EQ(U32At(file, 14), 40u);
  EXPECT_EQ(U32At(file, 18), 70000u);

  bitmap.SetWidth(2);
  bitmap.SetPixelFormat(px16Bit);
  file = WriteToString(bitmap);
  EXPECT_EQ(U32At(file, 14), 40u);
  TBitmap reread;
  LoadBmp(reread, file);
  EXPECT_EQ(reread.PixelFormat(), px16Bit);
  EXPECT_EQ(ColorAt(reread, 0, 0), 0xFFFFFFu);
}

TEST(WriteBmp, EmptyBitmapIsRefusedAndSaveFileLeavesTheTargetAlone) {
  quillo::testing::TempDir dir;
  const std::string target = dir.Write("kept.bmp", "old");
  TBitmap empty;
  empty.SetWidth(4);
  for (const std::string& path : {target, dir.File("new.bmp")}) {
    try {
      empty.SaveFile(path);
      ADD_FAILURE() << "saved";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), kInvalidBitmapMessage);
    }
  }
  EXPECT_EQ(quillo::testing::ReadFile(target), "old");
  EXPECT_FALSE(std::filesystem::exists(dir.File("new.bmp")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(WriteBmp, SaveFileAndLoadFileGoThroughRealFiles) {
  quillo::testing::TempDir dir;
  TBitmap bitmap;
  Picture(bitmap, px8Bit);
  bitmap.SaveFile(dir.File("picture.bmp"));
  EXPECT_EQ(quillo::testing::ReadFile(dir.File("picture.bmp")), WriteToString(bitmap));

  TBitmap loaded;
  loaded.LoadFile(dir.File("picture.bmp"));
  EXPECT_EQ(WriteToString(loaded), WriteToString(bitmap));

  try {
    loaded.LoadFile(dir.File("missing.bmp"));
    ADD_FAILURE() << "loaded";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "ファイル \"" + dir.File("missing.bmp") +
                               "\" は開けません。No such file or directory");
  }
  try {
    bitmap.SaveFile(dir.File("no/such/folder.bmp"));
    ADD_FAILURE() << "saved";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "ファイル \"" + dir.File("no/such/folder.bmp") +
                               "\" を作成できません。No such file or directory");
  }
  EXPECT_EQ(loaded.Width(), 5);
}

TEST(WriteBmp, StreamThatTakesNoBytesFailsWithTheWriteError) {
  quillo::testing::TempDir dir;
  TFileStream read_only(dir.Write("read-only.bmp"), fmOpenRead);
  TBitmap bitmap;
  Picture(bitmap, px24Bit);
  try {
    bitmap.WriteBmp(read_only);
    ADD_FAILURE() << "written";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), kWriteErrorMessage);
  }
}

}  // namespace
}  // namespace quillo
