// Every colour and gray routine against values computed here in floating point, on rows long
// enough for the block loops and their tails, interleaved and planar, big- and little-endian,
// with and without a pixel mask.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "imagelib/color_manager.h"
#include "imagelib/color_test_support.h"

namespace quillo {
namespace {

using testing::Apply;
using testing::ColorSetup;
using testing::Pack;
using testing::Unpack;

constexpr int64_t kUntouched = -1;
constexpr uint8_t kFill = 0xEE;

uint32_t Max(unsigned bits) { return (1u << bits) - 1; }

// A source sample as an 8-bit value: v × 255 ÷ (2^bits − 1), rounded, at every depth.
uint32_t AsByte(uint32_t v, unsigned bits) {
  return static_cast<uint32_t>(std::lround(v * 255.0 / Max(bits)));
}

uint32_t Gamma(uint32_t byte) {
  return static_cast<uint32_t>(std::nearbyint(std::pow(byte / 255.0, 1.0 / double{2.2f}) * 255));
}

uint32_t ByteOn(uint32_t byte, unsigned bits) { return bits == 16 ? byte * 257 : byte; }

double ClampRound(double v) { return std::nearbyint(std::clamp(v, 0.0, 255.0)); }

struct RoutineCase {
  std::string name;
  ColorSetup setup;
  std::vector<float> luma;  // YCbCr coefficients, when not the default ones
};

void PrintTo(const RoutineCase& c, std::ostream* os) { *os << c.name; }

// The red, green, blue (and alpha) a pixel becomes, on the target depth.
std::vector<int64_t> Expected(const RoutineCase& c, const std::vector<uint32_t>& s) {
  const ColorSetup& u = c.setup;
  const unsigned sb = u.source_bits, tb = u.target_bits;
  std::vector<int64_t> rgb(3);
  switch (u.source) {
    case cmGray:
    case cmGrayAlpha:
      return {sb == tb ? s[0] : tb == 16 ? s[0] * 257 : AsByte(s[0], sb)};
    case cmRGB:
    case cmRGBA:
    case cmBGR:
    case cmBGRA:
      for (int k = 0; k < 3; ++k) {
        const int at = (u.source == cmBGR || u.source == cmBGRA) ? 2 - k : k;
        if (sb == 16 && tb == 16) {
          rgb[at] = s[k];
        } else {
          const uint32_t byte = AsByte(s[k], sb);
          rgb[at] = ByteOn((u.target_options & opGamma) ? Gamma(byte) : byte, tb);
        }
      }
      break;
    case cmCMYK: {
      // White is what the ink leaves: (1 - x) (1 - k) of the full range, rounded down; words
      // for a byte target are made bytes first.
      const bool words = sb == 16 && tb == 16;
      const double full = words ? 65535.0 : 255.0;
      const auto ink = [&](int k) { return words ? s[k] : AsByte(s[k], sb); };
      for (int k = 0; k < 3; ++k) {
        const double white = std::floor((full - ink(k)) * (full - ink(3)) / full);
        rgb[k] = words ? static_cast<int64_t>(white) : ByteOn(static_cast<uint32_t>(white), tb);
      }
      break;
    }
    case cmCIELab: {
      const bool percent = u.source_options & opLabPercentL;
      const bool offset = u.source_options & opLabOffsetAB;
      double l, a, b;
      if (sb == 16) {
        l = percent ? s[0] * 100.0 / 65535 : s[0] / 257.0;
        a = (offset ? s[1] - 32768.0 : static_cast<int16_t>(s[1])) / 256;
        b = (offset ? s[2] - 32768.0 : static_cast<int16_t>(s[2])) / 256;
      } else {
        l = percent ? s[0] / 2.55 : s[0];
        a = offset ? s[1] - 128.0 : static_cast<int8_t>(s[1]);
        b = offset ? s[2] - 128.0 : static_cast<int8_t>(s[2]);
      }
      double x, y, z;
      if (l < 7.9996) {
        y = l / 903.3;
        x = y + a / 3893.5;
        z = y - b / 1557.4;
      } else {
        const double fy = (l + 16) / 116;
        y = std::pow(fy, 3);
        x = std::pow(fy + a / 500, 3);
        z = std::pow(fy - b / 200, 3);
      }
      rgb = {ByteOn(ClampRound((2.998 * x - 1.458 * y - 0.541 * z) * 255), tb),
             ByteOn(ClampRound((-0.952 * x + 1.893 * y + 0.059 * z) * 255), tb),
             ByteOn(ClampRound((0.099 * x - 0.198 * y + 1.099 * z) * 255), tb)};
      break;
    }
    case cmYCbCr:
    case cmPhotoYCC: {
      const std::vector<float> luma = c.luma.empty() ? std::vector{0.299f, 0.587f, 0.114f} : c.luma;
      const auto f32 = [](double v) { return double{static_cast<float>(v)}; };
      const double kr = f32(2 - 2.0 * luma[0]), kb = f32(2 - 2.0 * luma[2]);
      const double kgr = f32(luma[0] * kr / luma[1]), kgb = f32(luma[2] * kb / luma[1]);
      const bool photo = u.source == cmPhotoYCC;
      const double y = AsByte(s[0], sb);
      const double cb = AsByte(s[1], sb) - (photo ? 156.0 : 128.0);
      const double cr = AsByte(s[2], sb) - (photo ? 137.0 : 128.0);
      rgb = {ByteOn(ClampRound(y + std::nearbyint(kr * cr)), tb),
             ByteOn(ClampRound(y - std::nearbyint(kgb * cb) - std::nearbyint(kgr * cr)), tb),
             ByteOn(ClampRound(y + std::nearbyint(kb * cb)), tb)};
      break;
    }
    default:
      break;
  }
  if (u.target == cmBGR || u.target == cmBGRA) std::swap(rgb[0], rgb[2]);
  if (u.target == cmRGBA || u.target == cmBGRA) {
    const bool alpha = u.source == cmRGBA || u.source == cmBGRA;
    rgb.push_back(!alpha ? kUntouched : sb == tb ? s[3] : tb == 16 ? s[3] * 257 : AsByte(s[3], sb));
  }
  return rgb;
}

// Random samples of the case's source depth, with the extremes in the first pixels.
std::vector<std::vector<uint32_t>> Pixels(const ColorSetup& setup, size_t count) {
  std::mt19937 random(7);
  std::vector<std::vector<uint32_t>> pixels(count, std::vector<uint32_t>(setup.source_samples));
  for (size_t i = 0; i < count; ++i) {
    for (uint32_t& v : pixels[i]) {
      v = i == 0 ? 0 : i == 1 ? Max(setup.source_bits) : random() & Max(setup.source_bits);
    }
  }
  return pixels;
}

std::vector<uint32_t> Flatten(const std::vector<std::vector<uint32_t>>& pixels) {
  std::vector<uint32_t> all;
  for (const auto& p : pixels) all.insert(all.end(), p.begin(), p.end());
  return all;
}

class RowRoutine : public ::testing::TestWithParam<RoutineCase> {
 protected:
  // Long enough for 3-byte rows to be streamed past the cache, and not a whole number of blocks.
  static constexpr uint32_t kCount = 2803;

  void SetUp() override {
    Apply(manager_, GetParam().setup);
    if (!GetParam().luma.empty()) manager_.SetYCbCrValues(GetParam().luma, 1, 1);
    pixels_ = Pixels(GetParam().setup, kCount);
  }

  size_t TargetSamples() const { return Expected(GetParam(), pixels_[0]).size(); }

  std::vector<uint8_t> Target() {
    return std::vector<uint8_t>(manager_.TargetBytesPerRow(kCount), kFill);
  }

  // The target samples of every pixel.
  std::vector<std::vector<uint32_t>> Samples(const std::vector<uint8_t>& target) {
    const size_t n = TargetSamples();
    const std::vector<uint32_t> all = Unpack(target, GetParam().setup.target_bits, kCount * n);
    std::vector<std::vector<uint32_t>> pixels;
    for (size_t i = 0; i < kCount; ++i) pixels.emplace_back(&all[i * n], &all[(i + 1) * n]);
    return pixels;
  }

  std::vector<uint8_t> Interleaved(bool big_endian = false) {
    return Pack(Flatten(pixels_), GetParam().setup.source_bits, big_endian);
  }

  TColorManager manager_;
  std::vector<std::vector<uint32_t>> pixels_;
};

TEST_P(RowRoutine, MatchesTheFloatingPointResult) {
  // The row starts at an odd address between guard bytes that must stay as they are.
  constexpr uint8_t kGuard = 0x5A;
  const size_t bytes = manager_.TargetBytesPerRow(kCount);
  std::vector<uint8_t> padded(bytes + 17, kGuard);
  std::fill_n(padded.begin() + 1, bytes, kFill);
  const std::vector<uint8_t> source = Interleaved();
  const uint8_t* planes[] = {source.data()};
  manager_.ConvertRow(planes, padded.data() + 1, kCount, 0xFF);
  EXPECT_EQ(padded[0], kGuard);
  EXPECT_EQ(std::vector(padded.begin() + 1 + bytes, padded.end()), std::vector(16, kGuard));
  const std::vector<uint8_t> target(padded.begin() + 1, padded.begin() + 1 + bytes);
  const uint32_t untouched = GetParam().setup.target_bits == 16 ? 0xEEEE : kFill;
  const auto samples = Samples(target);
  for (size_t i = 0; i < kCount; ++i) {
    const std::vector<int64_t> expected = Expected(GetParam(), pixels_[i]);
    const std::vector<uint32_t>& got = samples[i];
    for (size_t k = 0; k < expected.size(); ++k) {
      const int64_t want = expected[k] == kUntouched ? untouched : expected[k];
      ASSERT_EQ(got[k], want) << "pixel " << i << " sample " << k;
    }
  }
  if (GetParam().setup.source_bits == 16) {
    std::vector<uint8_t> swapped = Target();
    manager_.SetSourceOptions(manager_.SourceOptions() | opSwapBytes);
    testing::Convert(manager_, Interleaved(true), swapped, kCount);
    EXPECT_EQ(swapped, target) << "big-endian words with the swap option";
  }
}

TEST_P(RowRoutine, PlanarRowGivesTheSameRow) {
  const ColorSetup& setup = GetParam().setup;
  std::vector<std::vector<uint8_t>> planes(setup.source_samples);
  std::vector<const uint8_t*> pointers;
  for (size_t k = 0; k < planes.size(); ++k) {
    std::vector<uint32_t> samples;
    for (const auto& p : pixels_) samples.push_back(p[k]);
    planes[k] = Pack(samples, setup.source_bits);
    pointers.push_back(planes[k].data());
  }
  std::vector<uint8_t> interleaved = Target(), planar = Target();
  testing::Convert(manager_, Interleaved(), interleaved, kCount);
  manager_.ConvertRow(pointers, planar.data(), kCount, 0xFF);
  EXPECT_EQ(planar, interleaved);
}

TEST_P(RowRoutine, MaskConvertsTheSelectedPixelsFromConsecutiveSource) {
  constexpr uint8_t kMask = 0xB5;
  std::vector<uint8_t> full = Target(), masked = Target();
  testing::Convert(manager_, Interleaved(), full, kCount);
  testing::Convert(manager_, Interleaved(), masked, kCount, kMask);
  const auto converted = Samples(full), result = Samples(masked), untouched = Samples(Target());
  size_t next = 0;
  for (size_t i = 0; i < kCount; ++i) {
    const bool selected = kMask >> (7 - i % 8) & 1;
    ASSERT_EQ(result[i], selected ? converted[next++] : untouched[i]) << "pixel " << i;
  }
}

std::vector<RoutineCase> Cases() {
  const auto copy = [](std::string name, ColorModel from, ColorModel to, uint8_t sb, uint8_t tb,
                       TConvertOptions target_options = 0) {
    const auto samples = [](ColorModel m) -> uint8_t { return m == cmRGBA || m == cmBGRA ? 4 : 3; };
    return RoutineCase{name, {from, to, sb, tb, samples(from), samples(to), 0, target_options}, {}};
  };
  const auto model = [](std::string name, ColorModel from, uint8_t samples, ColorModel to,
                        uint8_t sb, uint8_t tb, TConvertOptions source_options = 0) {
    const uint8_t target_samples = to == cmRGBA || to == cmBGRA ? 4 : 3;
    return RoutineCase{name, {from, to, sb, tb, samples, target_samples, source_options, 0}, {}};
  };
  const auto gray = [](std::string name, ColorModel from, uint8_t sb, uint8_t tb) {
    const uint8_t samples = from == cmGrayAlpha ? 2 : 1;
    return RoutineCase{name, {from, cmGray, sb, tb, samples, 1, 0, 0}, {}};
  };
  const std::vector<float> hd = {0.2126f, 0.7152f, 0.0722f};
  return {
      copy("RgbToBgr", cmRGB, cmBGR, 8, 8),
      copy("RgbToRgb", cmRGB, cmRGB, 8, 8),
      copy("BgrToRgb", cmBGR, cmRGB, 8, 8),
      copy("BgrToBgr", cmBGR, cmBGR, 8, 8),
      copy("RgbaToBgraKeepsAlpha", cmRGBA, cmBGRA, 8, 8),
      copy("BgraToBgra", cmBGRA, cmBGRA, 8, 8),
      copy("RgbaToBgrSkipsAlpha", cmRGBA, cmBGR, 8, 8),
      copy("RgbToBgraLeavesAlpha", cmRGB, cmBGRA, 8, 8),
      copy("RgbToBgrGamma", cmRGB, cmBGR, 8, 8, opGamma),
      copy("RgbaToBgraGammaSparesAlpha", cmRGBA, cmBGRA, 8, 8, opGamma),
      copy("Rgb8ToBgr16Gamma", cmRGB, cmBGR, 8, 16, opGamma),
      copy("Rgb16ToBgr8Gamma", cmRGB, cmBGR, 16, 8, opGamma),
      copy("Rgb16ToBgr16IgnoresGamma", cmRGB, cmBGR, 16, 16, opGamma),
      copy("Rgba16ToBgra8", cmRGBA, cmBGRA, 16, 8),
      copy("Rgba8ToRgba16", cmRGBA, cmRGBA, 8, 16),
      copy("Rgb16ToRgb16", cmRGB, cmRGB, 16, 16),
      copy("Rgb4ToBgr8Widened", cmRGB, cmBGR, 4, 8),
      copy("Rgba2ToBgra8Widened", cmRGBA, cmBGRA, 2, 8),
      copy("Rgb1ToBgr8Widened", cmRGB, cmBGR, 1, 8),
      copy("Rgb5ToBgr8GammaWidened", cmRGB, cmBGR, 5, 8, opGamma),
      copy("Rgb4ToRgb16Widened", cmRGB, cmRGB, 4, 16),
      model("Cmyk8ToBgr8", cmCMYK, 4, cmBGR, 8, 8),
      model("Cmyk8ToRgb16", cmCMYK, 4, cmRGB, 8, 16),
      model("Cmyk16ToBgr8", cmCMYK, 4, cmBGR, 16, 8),
      model("Cmyk16ToBgra16", cmCMYK, 4, cmBGRA, 16, 16),
      model("Lab8SignedToBgr8", cmCIELab, 3, cmBGR, 8, 8),
      model("Lab8PercentOffsetToRgb8", cmCIELab, 3, cmRGB, 8, 8, opLabPercentL | opLabOffsetAB),
      model("Lab8PercentToBgra8", cmCIELab, 3, cmBGRA, 8, 8, opLabPercentL),
      model("Lab16PercentToBgr8", cmCIELab, 3, cmBGR, 16, 8, opLabPercentL),
      model("Lab16OffsetToBgr16", cmCIELab, 3, cmBGR, 16, 16, opLabOffsetAB),
      model("YCbCr8ToBgr8", cmYCbCr, 3, cmBGR, 8, 8),
      model("YCbCr16ToBgr8", cmYCbCr, 3, cmBGR, 16, 8),
      model("YCbCr8ToRgb16", cmYCbCr, 3, cmRGB, 8, 16),
      model("YCbCr16ToBgra16", cmYCbCr, 3, cmBGRA, 16, 16),
      model("PhotoYCC8ToBgr8", cmPhotoYCC, 3, cmBGR, 8, 8),
      model("PhotoYCC8ToRgba8", cmPhotoYCC, 3, cmRGBA, 8, 8),
      {"YCbCrOtherLumaToRgb8", {cmYCbCr, cmRGB, 8, 8, 3, 3, 0, 0}, hd},
      {"YCbCrOtherLumaToBgr16", {cmYCbCr, cmBGR, 16, 16, 3, 3, 0, 0}, hd},
      gray("Gray8To8", cmGray, 8, 8),
      gray("Gray8To16", cmGray, 8, 16),
      gray("Gray16To8", cmGray, 16, 8),
      gray("Gray16To16", cmGray, 16, 16),
      gray("GrayAlpha8To8", cmGrayAlpha, 8, 8),
      gray("GrayAlpha16To8", cmGrayAlpha, 16, 8),
      gray("GrayAlpha8To16", cmGrayAlpha, 8, 16),
  };
}

INSTANTIATE_TEST_SUITE_P(Routines, RowRoutine, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quillo
