// The bitmap's store: sizes, formats, rows, sharing and the hand-over between graphics.
#include "image/bitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "image/image_messages.h"
#include "platform/errors.h"
#include "support/bmp_test_support.h"

namespace quillo {
namespace {

using testing::ColorAt;
using testing::SetColor;

void Shape(TBitmap& bitmap, TPixelFormat format, int32_t width, int32_t height) {
  bitmap.SetPixelFormat(format);
  bitmap.SetWidth(width);
  bitmap.SetHeight(height);
}

template <class E>
void ExpectError(const std::function<void()>& action, const std::string& message) {
  try {
    action();
    ADD_FAILURE() << "no error, expected: " << message;
  } catch (const E& e) {
    EXPECT_EQ(e.Message(), message);
  }
}

TEST(Bitmap, NewBitmapIsEmptyAndRemembersTheSizeAndFormatItIsGiven) {
  TBitmap bitmap;
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.PixelFormat(), pxDevice);
  EXPECT_EQ(bitmap.Palette(), nullptr);
  EXPECT_EQ(bitmap.Handle(), nullptr);
  bitmap.SetPixelFormat(px24Bit);
  bitmap.SetWidth(3);
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_EQ(bitmap.Height(), 0);
  EXPECT_EQ(bitmap.PixelFormat(), px24Bit);
}

TEST(Bitmap, TwentyFourBitThreeByTwoIsWhiteWithStrideTwelve) {
  TBitmap bitmap;
  Shape(bitmap, px24Bit, 3, 2);
  ASSERT_FALSE(bitmap.Empty());
  const uint8_t* top = bitmap.RowAddress(0);
  const uint8_t* bottom = bitmap.RowAddress(1);
  EXPECT_EQ(top - bottom, 12);
  for (const uint8_t* row : {top, bottom}) {
    for (int i = 0; i < 9; ++i) EXPECT_EQ(row[i], 0xFF) << i;
  }
}

TEST(Bitmap, SizingWithoutAFormatGivesAWhiteDeviceStoreThatRowAccessTurnsInto32Bits) {
  TBitmap bitmap;
  bitmap.SetWidth(2);
  bitmap.SetHeight(2);
  EXPECT_EQ(bitmap.PixelFormat(), pxDevice);
  const uint8_t* row = bitmap.RowAddress(1);
  EXPECT_EQ(bitmap.PixelFormat(), px32Bit);
  EXPECT_EQ(std::memcmp(row, "\xFF\xFF\xFF\x00\xFF\xFF\xFF\x00", 8), 0);
}

TEST(Bitmap, RowAddressesOfABottomUpStoreAndTheirRange) {
  TBitmap bitmap;
  Shape(bitmap, px8Bit, 5, 2);
  EXPECT_EQ(bitmap.RowAddress(0), bitmap.RowAddress(1) + 8);
  for (int32_t row : {-1, 2}) {
    ExpectError<EInvalidGraphicOperation>([&] { bitmap.RowAddress(row); }, kScanLineRangeMessage);
  }
  TBitmap empty;
  empty.SetHeight(4);
  ExpectError<EInvalidGraphicOperation>([&] { empty.RowAddress(0); }, kScanLineRangeMessage);
}

TEST(Bitmap, EnlargingKeepsThePictureTopLeftAndFillsWhite) {
  TBitmap bitmap;
  Shape(bitmap, px24Bit, 2, 2);
  SetColor(bitmap, 0, 0, 0x102030);
  SetColor(bitmap, 1, 0, 0x405060);
  SetColor(bitmap, 0, 1, 0x708090);
  SetColor(bitmap, 1, 1, 0xA0B0C0);
  bitmap.SetWidth(3);
  bitmap.SetHeight(3);
  const uint32_t expected[3][3] = {{0x102030, 0x405060, 0xFFFFFF},
                                   {0x708090, 0xA0B0C0, 0xFFFFFF},
                                   {0xFFFFFF, 0xFFFFFF, 0xFFFFFF}};
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) EXPECT_EQ(ColorAt(bitmap, x, y), expected[y][x]) << x << "," << y;
  }
  bitmap.SetWidth(1);
  EXPECT_EQ(ColorAt(bitmap, 0, 1), 0x708090u);
}

TEST(Bitmap, ResizingAOneBitPictureKeepsThePixelsOfAPartlyUsedByte) {
  TBitmap bitmap;
  Shape(bitmap, px1Bit, 11, 1);
  bitmap.RowAddress(0)[0] = 0x00;
  bitmap.RowAddress(0)[1] = 0x00;  // eleven black pixels
  bitmap.SetWidth(14);
  const uint8_t* row = bitmap.RowAddress(0);
  EXPECT_EQ(row[0], 0x00);
  EXPECT_EQ(row[1] & 0xFC, 0x1C);  // black, black, black, then three white
}

TEST(Bitmap, AssignFromSharesUntilOneSideChangesARow) {
  TBitmap a;
  Shape(a, px24Bit, 2, 2);
  TBitmap b;
  b.AssignFrom(&a);
  EXPECT_EQ(&a.Image(), &b.Image());
  SetColor(b, 0, 0, 0x123456);
  EXPECT_NE(&a.Image(), &b.Image());
  EXPECT_EQ(ColorAt(a, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(ColorAt(b, 0, 0), 0x123456u);

  TBitmap c;
  c.AssignFrom(&a);
  c.SetWidth(1);
  EXPECT_EQ(a.Width(), 2);
}

TEST(Bitmap, AssignFromNoneEmptiesTheBitmap) {
  TBitmap bitmap;
  Shape(bitmap, px8Bit, 4, 4);
  bitmap.AssignFrom(nullptr);
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.PixelFormat(), pxDevice);
}

// A graphic of another class, holding its picture in a bitmap of its own, as the codecs do.
class PictureGraphic : public TGraphic {
 public:
  explicit PictureGraphic(bool can_hand_over) : can_hand_over_(can_hand_over) {
    picture_.SetPixelFormat(px24Bit);
    picture_.SetWidth(4);
    picture_.SetHeight(3);
  }
  const char* ClassName() const override { return "TPictureGraphic"; }
  void AssignInto(TGraphic& target) override {
    if (!can_hand_over_) return TGraphic::AssignInto(target);
    target.AssignFrom(&picture_);
  }
  bool Empty() const override { return picture_.Empty(); }
  int32_t Width() const override { return picture_.Width(); }
  int32_t Height() const override { return picture_.Height(); }
  void SetWidth(int32_t) override {}
  void SetHeight(int32_t) override {}
  void LoadFromStream(TStream&) override {}
  void SaveToStream(TStream&) override {}

 private:
  bool can_hand_over_;
  TBitmap picture_;
};

TEST(Bitmap, AssignFromAnotherGraphicAsksItToHandOver) {
  PictureGraphic willing(true);
  TBitmap bitmap;
  bitmap.AssignFrom(&willing);
  EXPECT_EQ(bitmap.Width(), 4);
  EXPECT_EQ(bitmap.PixelFormat(), px24Bit);

  PictureGraphic unwilling(false);
  ExpectError<EConvertError>([&] { bitmap.AssignFrom(&unwilling); },
                             "TPictureGraphic を TBitmap に代入することはできません");
  EXPECT_EQ(bitmap.Width(), 4);
  ExpectError<EConvertError>([&] { unwilling.AssignFrom(nullptr); },
                             "nil を TPictureGraphic に代入することはできません");
  ExpectError<EConvertError>([&] { willing.AssignFrom(&bitmap); },
                             "TBitmap を TPictureGraphic に代入することはできません");
}

TEST(Bitmap, ChangesMarkTheBitmapModifiedAndCallTheHook) {
  TBitmap bitmap;
  int calls = 0;
  bitmap.SetOnChange([&](TGraphic& sender) {
    EXPECT_EQ(&sender, &bitmap);
    ++calls;
  });
  bitmap.SetWidth(2);
  bitmap.SetWidth(2);  // unchanged: nothing happens
  bitmap.SetPixelFormat(px4Bit);
  EXPECT_EQ(calls, 2);
  EXPECT_TRUE(bitmap.Modified());
  EXPECT_TRUE(bitmap.PaletteModified());
}

TEST(Bitmap, RefusedFormatsAndSizesLeaveTheBitmapAsItWas) {
  TBitmap bitmap;
  Shape(bitmap, px24Bit, 3, 2);
  ExpectError<EInvalidGraphic>([&] { bitmap.SetPixelFormat(pxCustom); },
                               kInvalidPixelFormatMessage);
  ExpectError<EInvalidGraphic>([&] { bitmap.SetWidth(-1); }, kInvalidBitmapMessage);
  bitmap.SetHeight(1 << 14);
  ExpectError<EInvalidGraphic>([&] { bitmap.SetWidth(1 << 15); }, kInvalidBitmapMessage);
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_EQ(bitmap.PixelFormat(), px24Bit);
}

TEST(Bitmap, FormatsCarryTheirColourTables) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(px1Bit);
  const TPaletteRef mono = bitmap.Palette();
  ASSERT_NE(mono, nullptr);
  EXPECT_EQ(mono->entries, (std::vector<TPaletteEntry>{{0, 0, 0}, {255, 255, 255}}));

  bitmap.SetPixelFormat(px4Bit);
  EXPECT_EQ(bitmap.Palette(), SixteenColorPalette());

  bitmap.SetPixelFormat(px8Bit);
  const TPaletteRef halftone = bitmap.Palette();
  ASSERT_EQ(halftone, HalftonePalette());
  ASSERT_EQ(halftone->entries.size(), 256u);
  EXPECT_EQ(halftone->entries[0], (TPaletteEntry{0, 0, 0}));
  EXPECT_EQ(halftone->entries[215], (TPaletteEntry{255, 255, 255}));
  EXPECT_EQ(halftone->entries[216], (TPaletteEntry{6, 6, 6}));
}

TEST(Bitmap, AnExplicitPaletteBecomesTheColourTableWithPixelsMatchedByColour) {
  TBitmap bitmap;
  Shape(bitmap, px8Bit, 2, 1);
  bitmap.RowAddress(0)[0] = 0;  // black; the other pixel stays white
  bitmap.SetPalette(MakePalette({{255, 255, 255}, {10, 10, 10}}));
  EXPECT_EQ(bitmap.RowAddress(0)[0], 1);
  EXPECT_EQ(bitmap.RowAddress(0)[1], 0);
  EXPECT_EQ(ColorAt(bitmap, 0, 0), 0x0A0A0Au);

  bitmap.SetPalette(nullptr);  // the colour table stays and gives the palette again
  ASSERT_NE(bitmap.Palette(), nullptr);
  EXPECT_EQ(bitmap.Palette()->entries[1], (TPaletteEntry{10, 10, 10}));
}

// What a reader sees of the bitmap: the one-step set-up of its picture.
class ReaderBitmap : public TBitmap {
 public:
  using TBitmap::SetUpPicture;
};

struct SetUpCase {
  const char* name;
  TPixelFormat format;
  bool with_palette;
};

class SetUp : public ::testing::TestWithParam<SetUpCase> {};

TEST_P(SetUp, AllocatesOnceAndLeavesWhatTheSettersInTurnLeave) {
  const SetUpCase& c = GetParam();
  const TPaletteRef palette =
      c.with_palette ? MakePalette({{10, 20, 30}, {250, 250, 240}, {0, 0, 0}}) : nullptr;
  TBitmap expected;
  Shape(expected, c.format, 5, 3);
  if (palette) expected.SetPalette(palette);

  ReaderBitmap bitmap;
  const uint64_t before = TPixelBuffer::Allocations();
  bitmap.SetUpPicture(c.format, 5, 3, palette);
  EXPECT_EQ(TPixelBuffer::Allocations() - before, 1u);

  EXPECT_EQ(bitmap.PixelFormat(), expected.PixelFormat());
  EXPECT_EQ(bitmap.PaletteModified(), expected.PaletteModified());
  const TBitmapImage& got = bitmap.Image();
  const TBitmapImage& want = expected.Image();
  EXPECT_EQ(got.header, want.header);
  EXPECT_EQ(got.colors, want.colors);
  EXPECT_EQ(got.defined_colors, want.defined_colors);
  ASSERT_EQ(got.pixels.Size(), want.pixels.Size());
  EXPECT_EQ(0, std::memcmp(got.pixels.Data(), want.pixels.Data(), got.pixels.Size()));
  ASSERT_EQ(bitmap.Palette() == nullptr, expected.Palette() == nullptr);
  if (expected.Palette()) {
    EXPECT_EQ(bitmap.Palette()->entries, expected.Palette()->entries);
  }

  // Unpainted: the same layout, every byte zero.
  ReaderBitmap unpainted;
  unpainted.SetUpPicture(c.format, 5, 3, palette, false);
  EXPECT_EQ(unpainted.Image().header, want.header);
  EXPECT_EQ(unpainted.Image().colors, want.colors);
  const TPixelBuffer& zero = unpainted.Image().pixels;
  EXPECT_TRUE(
      std::all_of(zero.Data(), zero.Data() + zero.Size(), [](uint8_t b) { return b == 0; }));
}

INSTANTIATE_TEST_SUITE_P(Formats, SetUp,
                         ::testing::Values(SetUpCase{"OneBit", px1Bit, false},
                                           SetUpCase{"OneBitPalette", px1Bit, true},
                                           SetUpCase{"EightBitPalette", px8Bit, true},
                                           SetUpCase{"FourBit", px4Bit, false},
                                           SetUpCase{"Sixteen", px16Bit, false},
                                           SetUpCase{"TwentyFour", px24Bit, false},
                                           SetUpCase{"Device", pxDevice, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillo
