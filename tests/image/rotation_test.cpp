// Quarter and half turns, and the image kind of a path.
#include "image/rotation.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "image/image_kind.h"
#include "platform/errors.h"
#include "platform/text_rules.h"
#include "support/bmp_test_support.h"

namespace quillo {
namespace {

enum Turn { kClockwise, kCounterClockwise, kHalf, kMirror };

void Apply(TBitmap& bitmap, Turn turn) {
  if (turn == kHalf) {
    RotateBitmap180(bitmap);
  } else if (turn == kMirror) {
    MirrorBitmap(bitmap);
  } else {
    RotateBitmap90(bitmap, turn == kClockwise ? rdClockwise : rdCounterClockwise);
  }
}

int PixelBytes(TPixelFormat format) { return format == px24Bit ? 3 : 4; }

// A picture from rows of letters, every letter a pixel whose bytes all hold that letter.
void FromLetters(TBitmap& bitmap, TPixelFormat format, const std::vector<std::string>& rows) {
  bitmap.SetPixelFormat(format);
  bitmap.SetWidth(static_cast<int32_t>(rows[0].size()));
  bitmap.SetHeight(static_cast<int32_t>(rows.size()));
  const int bytes = PixelBytes(format);
  for (size_t y = 0; y < rows.size(); ++y) {
    uint8_t* row = bitmap.RowAddress(static_cast<int32_t>(y));
    for (size_t x = 0; x < rows[y].size(); ++x) std::memset(row + bytes * x, rows[y][x], bytes);
  }
}

std::vector<std::string> Letters(TBitmap& bitmap) {
  const int bytes = PixelBytes(bitmap.PixelFormat());
  std::vector<std::string> rows;
  for (int32_t y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* row = bitmap.RowAddress(y);
    std::string letters;
    for (int32_t x = 0; x < bitmap.Width(); ++x) {
      for (int i = 1; i < bytes; ++i) EXPECT_EQ(row[bytes * x + i], row[bytes * x]);
      letters += static_cast<char>(row[bytes * x]);
    }
    rows.push_back(letters);
  }
  return rows;
}

struct TurnCase {
  const char* name;
  std::vector<std::string> rows;
  Turn turn;
  std::vector<std::string> expected;
};

const TurnCase kTurnCases[] = {
    {"WorkedExampleClockwise", {"abc", "def"}, kClockwise, {"da", "eb", "fc"}},
    {"WorkedExampleCounterClockwise", {"abc", "def"}, kCounterClockwise, {"cf", "be", "ad"}},
    {"WorkedExampleHalf", {"abc", "def"}, kHalf, {"fed", "cba"}},
    {"OneRowClockwise", {"abcd"}, kClockwise, {"a", "b", "c", "d"}},
    {"OneRowCounterClockwise", {"abcd"}, kCounterClockwise, {"d", "c", "b", "a"}},
    {"OneRowHalf", {"abcd"}, kHalf, {"dcba"}},
    {"OnePixelClockwise", {"a"}, kClockwise, {"a"}},
    {"OnePixelCounterClockwise", {"a"}, kCounterClockwise, {"a"}},
    {"OnePixelHalf", {"a"}, kHalf, {"a"}},
};

class SmallTurns : public ::testing::TestWithParam<std::tuple<TurnCase, TPixelFormat>> {};

TEST_P(SmallTurns, GiveTheExpectedRows) {
  const auto& [c, format] = GetParam();
  TBitmap bitmap;
  FromLetters(bitmap, format, c.rows);
  Apply(bitmap, c.turn);
  EXPECT_EQ(bitmap.PixelFormat(), format);
  EXPECT_EQ(Letters(bitmap), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Rotation, SmallTurns,
                         ::testing::Combine(::testing::ValuesIn(kTurnCases),
                                            ::testing::Values(px24Bit, px32Bit)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) == px24Bit ? "_24" : "_32");
                         });

// The eight ways of setting a picture upright, on the worked example.
class UprightTurns : public ::testing::TestWithParam<TPixelFormat> {};

TEST_P(UprightTurns, GiveTheExpectedRows) {
  const struct {
    TPictureTurn turn;
    std::vector<std::string> expected;
  } rows[] = {
      {ptNone, {"abc", "def"}},           {ptFlipHorizontal, {"cba", "fed"}},
      {ptRotate180, {"fed", "cba"}},      {ptFlipVertical, {"def", "abc"}},
      {ptTranspose, {"ad", "be", "cf"}},  {ptRotate90, {"da", "eb", "fc"}},
      {ptTransverse, {"fc", "eb", "da"}}, {ptRotate270, {"cf", "be", "ad"}},
  };
  for (const auto& row : rows) {
    TBitmap bitmap;
    FromLetters(bitmap, GetParam(), {"abc", "def"});
    TurnBitmap(bitmap, row.turn);
    EXPECT_EQ(Letters(bitmap), row.expected) << int{row.turn};
    EXPECT_EQ(bitmap.PixelFormat(), GetParam());
  }
}

INSTANTIATE_TEST_SUITE_P(Rotation, UprightTurns, ::testing::Values(px24Bit, px32Bit));

// Random bytes in every byte of every pixel, the fourth one of 32-bit pixels included.
void FillRandom(TBitmap& bitmap, TPixelFormat format, int32_t width, int32_t height) {
  bitmap.SetPixelFormat(format);
  bitmap.SetWidth(width);
  bitmap.SetHeight(height);
  std::mt19937 random(static_cast<uint32_t>(width * 131 + height));
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = bitmap.RowAddress(y);
    for (int32_t i = 0; i < width * PixelBytes(format); ++i)
      row[i] = static_cast<uint8_t>(random());
  }
}

// The source pixel that lands at (x, y) of the turned picture.
std::pair<int32_t, int32_t> SourceOf(Turn turn, int32_t x, int32_t y, int32_t w, int32_t h) {
  switch (turn) {
    case kClockwise:
      return {y, h - 1 - x};
    case kCounterClockwise:
      return {w - 1 - y, x};
    case kMirror:
      return {w - 1 - x, y};
    case kHalf:
      break;
  }
  return {w - 1 - x, h - 1 - y};
}

// Sizes around the copy's tiles: less than one, exactly two, and ragged edges both ways.
class LargeTurns
    : public ::testing::TestWithParam<std::tuple<Turn, TPixelFormat, std::pair<int, int>>> {};

TEST_P(LargeTurns, MoveEveryWholePixelWhereItBelongs) {
  const auto& [turn, format, size] = GetParam();
  const auto [w, h] = size;
  TBitmap source;
  FillRandom(source, format, w, h);
  TBitmap turned;
  turned.AssignFrom(&source);
  Apply(turned, turn);
  const bool quarter = turn == kClockwise || turn == kCounterClockwise;
  ASSERT_EQ(turned.Width(), quarter ? h : w);
  ASSERT_EQ(turned.Height(), quarter ? w : h);
  const int bytes = PixelBytes(format);
  int wrong = 0;
  for (int32_t y = 0; y < turned.Height(); ++y) {
    const uint8_t* row = turned.RowAddress(y);
    for (int32_t x = 0; x < turned.Width(); ++x) {
      const auto [sx, sy] = SourceOf(turn, x, y, w, h);
      if (std::memcmp(row + bytes * x, source.RowAddress(sy) + bytes * sx, bytes) != 0) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rotation, LargeTurns,
    ::testing::Combine(::testing::Values(kClockwise, kCounterClockwise, kHalf, kMirror),
                       ::testing::Values(px24Bit, px32Bit),
                       ::testing::Values(std::pair{5, 3}, std::pair{64, 64}, std::pair{97, 33},
                                         std::pair{31, 70})));

std::vector<std::string> Rows(TBitmap& bitmap) {
  std::vector<std::string> rows;
  const int bytes = PixelBytes(bitmap.PixelFormat());
  for (int32_t y = 0; y < bitmap.Height(); ++y) {
    const auto* row = reinterpret_cast<const char*>(bitmap.RowAddress(y));
    rows.emplace_back(row, row + bytes * bitmap.Width());
  }
  return rows;
}

TEST(Rotation, TurnsThatAddUpToAWholeOneGiveBackTheSameBytes) {
  const std::vector<std::vector<Turn>> sequences = {
      {kClockwise, kClockwise, kClockwise, kClockwise},
      {kHalf, kHalf},
      {kClockwise, kCounterClockwise},
      {kCounterClockwise, kCounterClockwise, kHalf}};
  for (TPixelFormat format : {px24Bit, px32Bit}) {
    for (const auto& sequence : sequences) {
      TBitmap bitmap;
      FillRandom(bitmap, format, 45, 38);
      const std::vector<std::string> before = Rows(bitmap);
      for (Turn turn : sequence) Apply(bitmap, turn);
      EXPECT_EQ(Rows(bitmap), before) << int{format} << " " << sequence.size();
    }
  }
}

TEST(Rotation, TurningOneSharerLeavesTheOtherAsItWas) {
  TBitmap first;
  FillRandom(first, px24Bit, 9, 4);
  const std::vector<std::string> before = Rows(first);
  TBitmap second;
  second.AssignFrom(&first);
  RotateBitmap90(second, rdClockwise);
  EXPECT_EQ(Rows(first), before);
  EXPECT_EQ(first.Width(), 9);
}

TEST(Rotation, OtherPixelFormatsAreRefusedAndTheBitmapKeepsItsPicture) {
  for (TPixelFormat format : {px1Bit, px4Bit, px8Bit, px15Bit, px16Bit, pxDevice}) {
    for (Turn turn : {kClockwise, kCounterClockwise, kHalf, kMirror}) {
      TBitmap bitmap;
      bitmap.SetPixelFormat(format);
      bitmap.SetWidth(3);
      bitmap.SetHeight(2);
      const std::string before = testing::WriteToString(bitmap);
      try {
        Apply(bitmap, turn);
        ADD_FAILURE() << "format " << int{format} << " was turned";
      } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), kRotationFormatMessage);
      }
      EXPECT_EQ(bitmap.PixelFormat(), format);
      EXPECT_EQ(testing::WriteToString(bitmap), before);
    }
  }
}

struct KindCase {
  const char* path;
  TImageKind kind;
  TextRuleSet rules = trNative;
};

TEST(ImageKind, ByExtensionInAnyLetterCase) {
  const KindCase cases[] = {
      {"photo.JPG", ikJpeg},
      {"photo.jpeg", ikJpeg},
      {"photo.Jpg", ikJpeg},
      {"dir/shot.JPEG", ikJpeg},
      {"scan.tiff", ikTiff},
      {"scan.TIF", ikTiff},
      {"a.bmp", ikBmp},
      {"a.bmp.bak", ikUnknown},
      {"no_dot", ikUnknown},
      {"photo.jp", ikUnknown},
      {"folder.tif/file", ikUnknown},
      {"C:\\folder.tif\\file", ikUnknown, trWindowsJapanese},
      {"C:\\shots\\a.JPG", ikJpeg, trWindowsJapanese},
  };
  for (const KindCase& c : cases) {
    ScopedTextRules rules(c.rules);
    EXPECT_EQ(GetImageKind(c.path), c.kind) << c.path;
  }
}

}  // namespace
}  // namespace quillo
