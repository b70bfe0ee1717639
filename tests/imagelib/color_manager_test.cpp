// The converter's set-up: exact rows for the telling cases and the packed routines, the checks
// and the state they leave, the pixel format per side, the gamma and YCbCr tables, gray
// palettes and the row sizes a reader checks before the first row.
#include "imagelib/color_manager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "imagelib/color_test_support.h"
#include "platform/errors.h"

namespace quillo {
namespace {

using testing::Apply;
using testing::ColorSetup;

// ---- Exact rows ----

struct RowCase {
  std::string name;
  ColorSetup setup;
  std::vector<uint8_t> source;
  uint32_t count;
  uint8_t mask;
  std::vector<uint8_t> before;
  std::vector<uint8_t> after;
};

void PrintTo(const RowCase& c, std::ostream* os) { *os << c.name; }

class ExactRow : public ::testing::TestWithParam<RowCase> {};

TEST_P(ExactRow, WritesExactlyTheseBytes) {
  const RowCase& c = GetParam();
  TColorManager manager;
  Apply(manager, c.setup);
  std::vector<uint8_t> target = c.before;
  testing::Convert(manager, c.source, target, c.count, c.mask);
  EXPECT_EQ(target, c.after);
}

ColorSetup Gray(uint8_t source_bits, uint8_t target_bits, TConvertOptions options = 0) {
  return {cmGray, cmGray, source_bits, target_bits, 1, 1, options, 0};
}

ColorSetup Indexed(uint8_t source_bits, uint8_t target_bits, TConvertOptions options = 0) {
  return {cmIndexed, cmIndexed, source_bits, target_bits, 1, 1, options, 0};
}

const RowCase kRowCases[] = {
    {"RedRgbBecomesBgrBytes", {}, {255, 0, 0}, 1, 0xFF, {9, 9, 9}, {0, 0, 255}},
    {"CmykNoInkIsWhite",
     {cmCMYK, cmBGR, 8, 8, 4, 3},
     {0, 0, 0, 0},
     1,
     0xFF,
     {9, 9, 9},
     {255, 255, 255}},
    {"CmykFullBlackIsBlack",
     {cmCMYK, cmBGR, 8, 8, 4, 3},
     {0, 0, 0, 255},
     1,
     0xFF,
     {9, 9, 9},
     {0, 0, 0}},
    {"CmykFullCyanIsBlueAndGreen",
     {cmCMYK, cmBGR, 8, 8, 4, 3},
     {255, 0, 0, 0},
     1,
     0xFF,
     {9, 9, 9},
     {255, 255, 0}},
    {"YCbCrMiddleIsGray128",
     {cmYCbCr, cmBGR, 8, 8, 3, 3},
     {128, 128, 128},
     1,
     0xFF,
     {9, 9, 9},
     {128, 128, 128}},
    {"LabL100IsWhite",
     {cmCIELab, cmBGR, 8, 8, 3, 3},
     {100, 0, 0},
     1,
     0xFF,
     {9, 9, 9},
     {255, 255, 255}},
    {"BigEndianGray16NarrowsTo254", Gray(16, 8, opSwapBytes), {0xFF, 0x00}, 1, 0xFF, {9}, {254}},
    {"Gray4SameDepthCopiesWholeBytes",
     Gray(4, 4),
     {0x12, 0x34, 0x56},
     3,
     0xFF,
     {0xAA, 0xBB, 0xCC},
     {0x12, 0x34, 0xCC}},
    // The levels are the palette's, one entry per 2-bit value.
    {"Gray2KeepsLevelsIn4BitPixels", Gray(2, 2), {0x1B}, 4, 0xFF, {0, 0}, {0x01, 0x23}},
    {"Indexed2KeepsIndexesIn4BitPixels", Indexed(2, 2), {0x1B}, 4, 0xFF, {0, 0}, {0x01, 0x23}},
    {"Gray1To8", Gray(1, 8), {0xA0}, 3, 0xFF, {9, 9, 9}, {255, 0, 255}},
    {"Gray4To8", Gray(4, 8), {0x1F}, 2, 0xFF, {9, 9}, {17, 255}},
    // v × 15 ÷ 255 rounded: 16 is 0.94 and 136 is 8.0 (ties would go up).
    {"Gray8To4Rounds", Gray(8, 4), {255, 16, 136, 0}, 4, 0xFF, {0x99, 0x99}, {0xF1, 0x80}},
    {"Gray12To8Rounds",
     Gray(12, 8),
     {0x00, 0x00, 0x09, 0xFF, 0xF0},
     3,
     0xFF,
     {9, 9, 9},
     {0, 1, 255}},
    {"Gray16To8Rounds", Gray(16, 8), {0x7F, 0x00, 0x80, 0x80}, 2, 0xFF, {9, 9}, {0, 128}},
    {"SignedGray8IsOffsetByHalf",
     Gray(8, 8, opSigned),
     {0x80, 0x00, 0x7F},
     3,
     0xFF,
     {9, 9, 9},
     {0, 128, 255}},
    {"SignedGray16IsOffsetByHalf",
     Gray(16, 8, opSigned),
     {0x00, 0x80, 0xFF, 0x7F},
     2,
     0xFF,
     {9, 9},
     {0, 255}},
    {"Gray4To1KeepsTheOtherBits", Gray(4, 1), {0xF0}, 2, 0xFF, {0x3F}, {0xBF}},
    {"Indexed1MaskKeepsUnselectedBits", Indexed(1, 1), {0x40}, 8, 0x50, {0x0F}, {0x1F}},
    {"Gray4MaskSkipsPixels", Gray(4, 4), {0x9A}, 4, 0x50, {0x12, 0x34}, {0x19, 0x3A}},
    {"Gray8MaskTakesConsecutiveSource",
     Gray(8, 8),
     {7, 8},
     5,
     0x48,
     {1, 2, 3, 4, 5},
     {1, 7, 3, 4, 8}},
    {"WordsToBytes",
     Indexed(16, 8),
     {0, 0, 0xFF, 0xFF, 0x80, 0x80},
     3,
     0xFF,
     {9, 9, 9},
     {0, 255, 128}},
    {"BigEndianWordsTo4Bits",
     Indexed(16, 4, opSwapBytes),
     {0xFF, 0xFF, 0x11, 0x11},
     2,
     0xFF,
     {0},
     {0xF1}},
    {"IndexBitsToHostOrderWordsStayIndexes",
     Indexed(3, 16, opSwapBytes),
     {0x3C},
     2,
     0xFF,
     {9, 9, 9, 9},
     {1, 0, 7, 0}},
    {"WordCopySwapsBigEndian",
     Indexed(16, 16, opSwapBytes),
     {0x12, 0x34},
     1,
     0xFF,
     {9, 9},
     {0x34, 0x12}},
    {"GrayAlphaToIndexedDropsAlpha",
     {cmGrayAlpha, cmIndexed, 8, 8, 2, 2},
     {5, 200, 7, 100},
     2,
     0xFF,
     {9, 9},
     {5, 7}},
    {"Rgb4WidenedToBgrBytes",
     {cmRGB, cmBGR, 4, 8, 3, 3},
     {0xF0, 0x80},
     1,
     0xFF,
     {9, 9, 9},
     {136, 0, 255}},
    {"NothingSelected", {}, {1, 2, 3}, 1, 0x7F, {9, 9, 9}, {9, 9, 9}},
};

INSTANTIATE_TEST_SUITE_P(Rows, ExactRow, ::testing::ValuesIn(kRowCases),
                         [](const auto& info) { return info.param.name; });

// ---- Failures and the state they leave ----

// Everything a caller can read back from a converter.
auto State(const TColorManager& m) {
  return std::tuple(m.Changed(), m.SourceBitsPerSample(), m.TargetBitsPerSample(),
                    m.SourceSamplesPerPixel(), m.TargetSamplesPerPixel(), m.SourceColorModel(),
                    m.TargetColorModel(), m.SourceOptions(), m.TargetOptions(), m.LumaRed(),
                    m.LumaGreen(), m.LumaBlue(), m.HorizontalSubsampling(),
                    m.VerticalSubsampling());
}

void ExpectError(const std::function<void()>& action, const std::string& message) {
  try {
    action();
    ADD_FAILURE() << "no error, expected: " << message;
  } catch (const EColorConversionError& e) {
    EXPECT_EQ(e.Message(), message);
  }
}

struct SetterCase {
  std::string name;
  std::function<void(TColorManager&)> action;
  std::string message;
};

void PrintTo(const SetterCase& c, std::ostream* os) { *os << c.name; }

class RefusedSetting : public ::testing::TestWithParam<SetterCase> {};

TEST_P(RefusedSetting, RaisesAndChangesNothing) {
  TColorManager manager;
  Apply(manager, {cmYCbCr, cmBGRA, 16, 8, 3, 4, opSwapBytes, opGamma});
  manager.TargetBytesPerRow(1);  // a routine chosen, Changed clear
  const auto before = State(manager);
  ExpectError([&] { GetParam().action(manager); }, GetParam().message);
  EXPECT_EQ(State(manager), before);
}

const SetterCase kSetterCases[] = {
    {"SourceDepthZero", [](TColorManager& m) { m.SetSourceBitsPerSample(0); }, kColorDepthMessage},
    {"SourceDepth17", [](TColorManager& m) { m.SetSourceBitsPerSample(17); }, kColorDepthMessage},
    {"TargetDepthZero", [](TColorManager& m) { m.SetTargetBitsPerSample(0); }, kColorDepthMessage},
    {"TargetDepth255", [](TColorManager& m) { m.SetTargetBitsPerSample(255); }, kColorDepthMessage},
    {"SourceSamplesZero", [](TColorManager& m) { m.SetSourceSamplesPerPixel(0); },
     kSampleCountMessage},
    {"SourceSamples16", [](TColorManager& m) { m.SetSourceSamplesPerPixel(16); },
     kSampleCountMessage},
    {"TargetSamples5", [](TColorManager& m) { m.SetTargetSamplesPerPixel(5); },
     kSampleCountMessage},
    {"VerticalAboveHorizontalSameLumas",
     [](TColorManager& m) { m.SetYCbCrValues(std::vector<float>{0.299f}, 1, 2); },
     kVerticalSubsamplingMessage},
};

INSTANTIATE_TEST_SUITE_P(Setters, RefusedSetting, ::testing::ValuesIn(kSetterCases),
                         [](const auto& info) { return info.param.name; });

TEST(ColorManager, BadSubsamplingKeepsOnlyTheCoefficientsTaken) {
  struct Case {
    int horizontal, vertical;
    const char* message;
  };
  const Case cases[] = {{3, 1, kSubsamplingMessage},
                        {1, 0, kSubsamplingMessage},
                        {8, 4, kSubsamplingMessage},
                        {2, 4, kVerticalSubsamplingMessage}};
  const auto set_up = [](TColorManager& m) {
    m.SetYCbCrValues(std::vector<float>{0.3f, 0.5f, 0.2f}, 4, 2);
    m.TargetBytesPerRow(1);
  };
  TColorManager expected;
  set_up(expected);
  expected.SetYCbCrValues(std::vector<float>{0.25f, 0.5f}, 4, 2);
  for (const Case& c : cases) {
    TColorManager manager;
    set_up(manager);
    ExpectError(
        [&] {
          manager.SetYCbCrValues(std::vector<float>{0.25f, 0.5f}, c.horizontal, c.vertical);
        },
        c.message);
    EXPECT_EQ(State(manager), State(expected)) << c.horizontal << "x" << c.vertical;
  }
}

struct SelectCase {
  std::string name;
  ColorSetup setup;
  size_t planes;
  std::string message;
};

void PrintTo(const SelectCase& c, std::ostream* os) { *os << c.name; }

class RefusedSetUp : public ::testing::TestWithParam<SelectCase> {};

TEST_P(RefusedSetUp, FirstRowRaisesAndLeavesConverterAndRowAsTheyWere) {
  const SelectCase& c = GetParam();
  TColorManager manager;
  Apply(manager, c.setup);
  const auto before = State(manager);
  const std::vector<uint8_t> source(64, 0x55);
  std::vector<uint8_t> target(64, 9);
  const std::vector<const uint8_t*> planes(c.planes, source.data());
  ExpectError([&] { manager.ConvertRow(planes, target.data(), 4, 0xFF); }, c.message);
  EXPECT_EQ(State(manager), before);
  EXPECT_EQ(target, std::vector<uint8_t>(64, 9));
  if (c.planes == 1) ExpectError([&] { manager.TargetBytesPerRow(4); }, c.message);
}

const SelectCase kSelectCases[] = {
    {"GrayToBgr", {cmGray, cmBGR, 8, 8, 3, 3}, 1, kIndexedMismatchMessage},
    {"RgbToGray", {cmRGB, cmGray, 8, 8, 3, 1}, 1, kIndexedMismatchMessage},
    {"GrayToGrayAlpha", {cmGray, cmGrayAlpha, 8, 8, 1, 2}, 1, kIndexedMismatchMessage},
    {"CmyHasNoRoutine", {cmCMY, cmBGR, 8, 8, 3, 3}, 1, kNoConversionMessage},
    {"UnknownSource", {cmUnknown, cmBGR, 8, 8, 3, 3}, 1, kNoConversionMessage},
    {"RgbToCmyk", {cmRGB, cmCMYK, 8, 8, 3, 4}, 1, kNoConversionMessage},
    {"Gray4To16", Gray(4, 16), 1, kNoConversionMessage},
    {"GrayAlpha12", {cmGrayAlpha, cmGray, 12, 8, 2, 1}, 1, kNoConversionMessage},
    {"CmykOfThreeSamples", {cmCMYK, cmBGR, 8, 8, 3, 3}, 1, kSampleCountMessage},
    {"GrayBytesReadAsBgr", {cmBGR, cmBGR, 8, 8, 1, 1}, 1, kSampleCountMessage},
    {"BgrIntoOneSamplePixels", {cmBGR, cmBGR, 8, 8, 3, 1}, 1, kSampleCountMessage},
    {"RgbaOfThreeSamples", {cmRGBA, cmBGRA, 8, 8, 3, 4}, 1, kSampleCountMessage},
    {"YCbCrWithExtraSample", {cmYCbCr, cmBGR, 8, 8, 4, 3}, 1, kSampleCountMessage},
    {"YCbCrIntoFourSamplePixels", {cmYCbCr, cmBGR, 8, 8, 3, 4}, 1, kSampleCountMessage},
    {"GrayOfTwoSamples", {cmGray, cmGray, 8, 8, 2, 1}, 1, kSampleCountMessage},
    {"TwoPlanesForThreeSamples", {}, 2, kSampleCountMessage},
    {"NoPlanes", {}, 0, kSampleCountMessage},
    {"Rgb12To12", {cmRGB, cmBGR, 12, 12, 3, 3}, 1, kColorDepthMessage},
    {"LabInto4BitTarget", {cmCIELab, cmBGR, 8, 4, 3, 3}, 1, kColorDepthMessage},
    {"Gray12To16", Gray(12, 16), 1, kColorDepthMessage},
};

INSTANTIATE_TEST_SUITE_P(SetUps, RefusedSetUp, ::testing::ValuesIn(kSelectCases),
                         [](const auto& info) { return info.param.name; });

TEST(ColorManager, RefusedSetUpAfterAWorkingOneConvertsAgainOnceRepaired) {
  TColorManager manager;
  std::vector<uint8_t> target(3);
  testing::Convert(manager, {1, 2, 3}, target, 1);
  manager.SetSourceColorModel(cmCMYK);
  const auto broken = State(manager);
  ExpectError([&] { testing::Convert(manager, {1, 2, 3}, target, 1); }, kSampleCountMessage);
  EXPECT_EQ(State(manager), broken);
  manager.SetSourceColorModel(cmRGB);
  testing::Convert(manager, {4, 5, 6}, target, 1);
  EXPECT_EQ(target, (std::vector<uint8_t>{6, 5, 4}));
}

// ---- Set-up state ----

TEST(ColorManager, ChangedOnlyWhenASettingDiffers) {
  TColorManager manager;
  const std::vector<std::function<void(TColorManager&, bool)>> setters = {
      [](TColorManager& m, bool d) { m.SetSourceBitsPerSample(d ? 16 : 8); },
      [](TColorManager& m, bool d) { m.SetTargetBitsPerSample(d ? 16 : 8); },
      [](TColorManager& m, bool d) { m.SetSourceSamplesPerPixel(d ? 4 : 3); },
      [](TColorManager& m, bool d) { m.SetTargetSamplesPerPixel(d ? 4 : 3); },
      [](TColorManager& m, bool d) { m.SetSourceColorModel(d ? cmYCbCr : cmRGB); },
      [](TColorManager& m, bool d) { m.SetTargetColorModel(d ? cmRGB : cmBGR); },
      [](TColorManager& m, bool d) { m.SetSourceOptions(d ? opSwapBytes : 0); },
      [](TColorManager& m, bool d) { m.SetTargetOptions(d ? opGamma : 0); },
      [](TColorManager& m, bool d) {
        m.SetYCbCrValues(std::vector<float>{d ? 0.25f : 0.299f}, 1, 1);
      },
  };
  for (size_t i = 0; i < setters.size(); ++i) {
    manager.TargetBytesPerRow(1);
    ASSERT_FALSE(manager.Changed());
    setters[i](manager, false);
    EXPECT_FALSE(manager.Changed()) << "setter " << i << " with the same value";
    setters[i](manager, true);
    EXPECT_TRUE(manager.Changed()) << "setter " << i;
    setters[i](manager, false);
  }
}

TEST(ColorManager, AlphaOptionFollowsTheModelsAndStaysWithTheOthers) {
  TColorManager manager;
  Apply(manager, {cmRGBA, cmBGR, 8, 8, 4, 3, opSwapBytes | opHasAlpha, opGamma | opHasAlpha});
  manager.TargetBytesPerRow(1);
  EXPECT_EQ(manager.SourceOptions(), opSwapBytes | opHasAlpha);
  EXPECT_EQ(manager.TargetOptions(), opGamma);
  Apply(manager, {cmGrayAlpha, cmGray, 8, 8, 2, 1, 0, opHasAlpha});
  manager.TargetBytesPerRow(1);
  EXPECT_EQ(manager.SourceOptions(), opHasAlpha);
  EXPECT_EQ(manager.TargetOptions(), 0);
}

TEST(ColorManager, PixelFormatForEachSide) {
  struct Case {
    uint8_t samples, bits;
    TPixelFormat format;
  };
  const Case cases[] = {{1, 1, px1Bit},   {1, 2, px4Bit},  {1, 4, px4Bit},  {1, 5, pxCustom},
                        {1, 7, pxCustom}, {1, 8, px8Bit},  {1, 16, px8Bit}, {2, 8, pxCustom},
                        {3, 1, px15Bit},  {3, 5, px15Bit}, {3, 6, px24Bit}, {3, 16, px24Bit},
                        {4, 4, pxCustom}, {4, 8, px32Bit}, {4, 16, px32Bit}};
  for (const Case& c : cases) {
    TColorManager manager;
    manager.SetSourceSamplesPerPixel(c.samples);
    manager.SetSourceBitsPerSample(c.bits);
    EXPECT_EQ(manager.PixelFormatFor(0), c.format) << int{c.samples} << "x" << int{c.bits};
    EXPECT_EQ(manager.PixelFormatFor(1), px24Bit);
    manager.SetTargetSamplesPerPixel(c.samples);
    manager.SetTargetBitsPerSample(c.bits);
    EXPECT_EQ(manager.PixelFormatFor(2), c.format);
  }
}

TEST(ColorManager, GammaTableFollowsBothFactors) {
  struct Case {
    float image, view;
    double exponent;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {{2.2f, 1.0f, 1 / double{2.2f}},
                        {1.0f, 1.0f, 1.0},
                        {1.8f, 1.2f, 1 / (double{1.2f} * double{1.8f})},
                        {0.45f, 1.0f, 1 / double{0.45f}},
                        {-1.0f, 0.0f, 1 / double{2.2f}},
                        {nan, 2.0f, 1 / (2.0 * double{2.2f})}};
  for (const Case& c : cases) {
    TColorManager manager;
    manager.SetGammaValues(c.image, c.view);
    for (int i = 0; i < 256; ++i) {
      ASSERT_EQ(manager.GammaTable()[i], std::nearbyint(std::pow(i / 255.0, c.exponent) * 255))
          << c.image << " " << c.view << " entry " << i;
    }
  }
}

TEST(ColorManager, YCbCrValuesTakeAsManyCoefficientsAsGiven) {
  TColorManager manager;
  manager.SetYCbCrValues(std::vector<float>{0.25f}, 2, 1);
  EXPECT_EQ(manager.LumaRed(), 0.25f);
  EXPECT_EQ(manager.LumaGreen(), 0.587f);
  EXPECT_EQ(manager.HorizontalSubsampling(), 2);
  manager.SetYCbCrValues(std::vector<float>{0.2f, 0.7f, 0.1f, 0.9f}, 4, 4);
  EXPECT_EQ(manager.LumaBlue(), 0.1f);
  EXPECT_EQ(manager.VerticalSubsampling(), 4);
  manager.SetYCbCrValues({}, 1, 1);
  EXPECT_EQ(manager.LumaRed(), 0.2f);
}

TEST(ColorManager, HostileLumasKeepTheTablesFinite) {
  TColorManager manager;
  Apply(manager, {cmYCbCr, cmRGB, 8, 8, 3, 3});
  manager.SetYCbCrValues(std::vector<float>{0.299f, 0.0f, 1e30f}, 1, 1);
  std::vector<uint8_t> target(9);
  testing::Convert(manager, {100, 128, 128, 100, 128, 200, 100, 0, 128}, target, 3);
  EXPECT_EQ(target, (std::vector<uint8_t>{100, 100, 100, 201, 0, 100, 100, 0, 255}));
}

TEST(ColorManager, GrayPaletteHasALevelForEveryValueOfTheDepth) {
  struct Case {
    std::string name;
    uint8_t bits, samples;
    bool min_is_white;
    TConvertOptions options;
    std::vector<uint8_t> grays;
  };
  std::vector<uint8_t> ramp16, ramp256, gamma16;
  for (int i = 0; i < 16; ++i) ramp16.push_back(static_cast<uint8_t>(i * 17));
  for (int i = 0; i < 256; ++i) ramp256.push_back(static_cast<uint8_t>(i));
  for (uint8_t g : ramp16) gamma16.push_back(TColorManager().GammaTable()[g]);
  const Case cases[] = {
      {"OneBit", 1, 1, false, 0, {0, 255}},
      {"OneBitMinIsWhite", 1, 1, true, 0, {255, 0}},
      {"OneBitGamma", 1, 1, false, opGamma, {0, 255}},
      {"TwoBitsIn4BitPixels", 2, 1, false, 0, {0, 85, 170, 255}},
      {"ThreeBitsIn4BitPixels", 3, 1, false, 0, {0, 36, 73, 109, 146, 182, 219, 255}},
      {"ThreeBitsMinIsWhite", 3, 1, true, 0, {255, 219, 182, 146, 109, 73, 36, 0}},
      {"FourBitsGamma", 4, 1, false, opGamma, gamma16},
      {"EightBits", 8, 1, false, 0, ramp256},
      {"SixteenBits", 16, 1, false, 0, ramp256},
      {"FourBitsTwoSamples", 4, 2, false, 0, ramp256},
  };
  for (const Case& c : cases) {
    TColorManager manager;
    manager.SetTargetBitsPerSample(c.bits);
    manager.SetTargetSamplesPerPixel(c.samples);
    manager.SetTargetOptions(c.options);
    const TPaletteRef palette = manager.MakeGrayPalette(c.min_is_white);
    std::vector<uint8_t> grays;
    for (const TPaletteEntry& e : palette->entries) {
      EXPECT_TRUE(e.red == e.green && e.green == e.blue) << c.name;
      grays.push_back(e.red);
    }
    EXPECT_EQ(grays, c.grays) << c.name;
  }
}

TEST(ColorManager, RowSizesAreWhatTheRoutineReadsAndWrites) {
  struct Case {
    std::string name;
    ColorSetup setup;
    uint64_t source, target;  // bytes for 3 pixels
  };
  const Case cases[] = {
      {"RgbToBgr", {}, 9, 9},
      {"Rgba16ToBgr8", {cmRGBA, cmBGR, 16, 8, 4, 3}, 24, 9},
      {"CmykToBgra16", {cmCMYK, cmBGRA, 8, 16, 4, 4}, 12, 24},
      {"Rgb4ToBgr8", {cmRGB, cmBGR, 4, 8, 3, 3}, 5, 9},
      {"Gray2In4BitPixels", Gray(2, 2), 1, 2},
      {"Gray12", Gray(12, 12), 5, 5},
      {"IndexedToWords", Indexed(4, 16), 2, 6},
      {"GrayAlphaToIndexed", {cmGrayAlpha, cmIndexed, 16, 8, 2, 2}, 12, 3},
  };
  for (const Case& c : cases) {
    TColorManager manager;
    Apply(manager, c.setup);
    EXPECT_EQ(manager.SourceBytesPerRow(3), c.source) << c.name;
    EXPECT_EQ(manager.TargetBytesPerRow(3), c.target) << c.name;
  }
}

}  // namespace
}  // namespace quillo
