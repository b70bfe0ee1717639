// The TIFF files of the shared corpus: each loads to the pixels libtiff reads from it, or is
// refused with one of the reader's errors; none crashes or hangs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "imagelib/color_manager.h"
#include "imagelib/tiff/tiff_graphic.h"
#include "platform/errors.h"
#include "support/bmp_test_support.h"
#include "tiff_oracle.h"

namespace quillo {
namespace {

namespace fs = std::filesystem;

enum Oracle {
  kRgba,        // libtiff's RGBA interface
  kGrayStrips,  // libtiff's gray samples of the strips it decodes, scaled to 8 bits
  kLabSamples,  // libtiff's L*a*b* samples through the converter
  kWhite,       // libtiff reads no strip; the data past the file's end read as 0, white here
  kLoads,       // libtiff decodes no strip of it; the picture only has to load
  kRefused,
};

struct Expectation {
  Oracle oracle;
  std::string message = "";  // for refused files
  // Pixels at the end of each row left out of the comparison.
  int row_tail = 0;
};

std::string NotSupported(const std::string& what) {
  return "Cannot load image. " + what + " not supported for TIF/TIFF files.";
}
const std::string kBigTiff = NotSupported("The BigTIFF format is");
const std::string kInvalid = "Cannot load image. Invalid or unexpected TIF/TIFF image format.";
const std::string kSamples =
    "Sample count per pixel does not correspond to the given color scheme.";

// Files that do not load through libtiff's RGBA interface, and why.
const std::map<std::string, Expectation> kExpected = {
    {"BigTIFFMotorola.tif", {kRefused, kBigTiff}},
    {"caspian.tif", {kRefused, NotSupported("Floating point samples are")}},
    // Cut off inside the first strip's JPEG data.
    {"crash-0c7e0e8e11ce787078f00b5b0ca409a167f070e0.tif", {kRefused, "JPEG error #8"}},
    {"crash-338516dbd2f0e83caddb8ce256c22db3bd6dc40f.tif", {kRefused, "JPEG error #42"}},
    {"flower-minisblack-12.tif", {kGrayStrips}},
    {"hopper.Lab.tif", {kLabSamples}},
    {"hopper_webp.tif", {kRefused, NotSupported("WebP compression is")}},
    // 65535 samples a pixel, of which the reader takes 255: a gray sample and extra samples it
    // drops. libtiff ignores its strip tags.
    {"libtiff_segfault.tif", {kLoads}},
    // A BigTIFF header whose directory lies past the end.
    {"seek_too_large.tif", {kRefused, kBigTiff}},
    {"smallliz.tif", {kRefused, NotSupported("Old-style JPEG compression is")}},
    // The first directory's strips run out at row 320; libtiff decodes the strips before. It
    // drops a run that reaches the end of its row, which a run of 63 pixels at most can do.
    {"text.tif", {kGrayStrips, "", 63}},
    // Its strip byte counts are short of the planes' rows, so libtiff reads none; uncompressed
    // strips are read from their offsets on, whatever the counts say.
    {"tiff_overflow_rows_per_strip.tif", {kLoads}},
    {"tifffuzz_divide_by_zero_id=000039,sig=06,src=000298,op=havoc,rep=8.tif",
     {kRefused, kInvalid}},
    {"tifffuzz_inf_loop_id=000028,src=000508,op=havoc,rep=4.tif", {kWhite}},
    {"tifffuzz_oor_panic_colormap-shl-overflow.tiff", {kRefused, kReadErrorMessage}},
    {"tifffuzz_oor_panic_graydepth-invert-overflow-5a0aad5024cc4ff3.tiff", {kRefused, kSamples}},
};

std::vector<std::string> CorpusTiffs() {
  std::vector<std::string> files;
  const fs::path dir = fs::path(QUILLO_CORPUS_DIR) / "tiff";
  if (!fs::exists(dir)) return files;
  for (const auto& entry : fs::directory_iterator(dir)) files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

uint32_t Gray(int v) { return static_cast<uint32_t>(v << 16 | v << 8 | v); }

// The pixels libtiff gives, 0x00RRGGBB; rows it cannot decode are marked with bit 31.
std::vector<uint32_t> Expected(Oracle oracle, const std::string& path, TTIFFGraphic& graphic) {
  const size_t width = graphic.Width();
  const size_t count = width * graphic.Height();
  std::vector<uint32_t> out(count, 0x80000000u);
  if (oracle == kWhite) return std::vector<uint32_t>(count, 0xFFFFFF);
  if (oracle == kRgba) {
    const std::vector<uint32_t> rgba = testing::ReadRgba(path);
    EXPECT_EQ(rgba.size(), count) << "libtiff refuses it";
    for (size_t i = 0; i < std::min(count, rgba.size()); ++i) {
      out[i] = (rgba[i] & 0xFF) << 16 | (rgba[i] & 0xFF00) | (rgba[i] >> 16 & 0xFF);
    }
    return out;
  }
  const TImageProperties& p = graphic.Properties();
  const testing::TiffStrips strips = testing::ReadStrips(path);
  const uint32_t rows_per_strip = p.RowsPerStrip[0];
  const size_t row_bytes = (width * p.BitsPerSample * p.SamplesPerPixel + 7) / 8;
  for (size_t s = 0; s < strips.decoded.size(); ++s) {
    const std::vector<uint8_t>& strip = strips.decoded[s];
    for (size_t r = 0; (r + 1) * row_bytes <= strip.size(); ++r) {
      const size_t y = s * rows_per_strip + r;
      if (y >= size_t(graphic.Height())) break;
      const uint8_t* row = strip.data() + r * row_bytes;
      if (oracle == kLabSamples) {
        TColorManager converter;
        converter.SetSourceOptions(opLabPercentL);
        converter.SetSourceColorModel(cmCIELab);
        converter.SetTargetColorModel(cmBGR);
        std::vector<uint8_t> bgr(width * 3);
        const uint8_t* planes[] = {row};
        converter.ConvertRow(planes, bgr.data(), static_cast<uint32_t>(width), 0xFF);
        for (size_t x = 0; x < width; ++x) {
          out[y * width + x] = uint32_t{bgr[3 * x + 2]} << 16 | bgr[3 * x + 1] << 8 | bgr[3 * x];
        }
        continue;
      }
      const int bits = p.BitsPerSample;
      for (size_t x = 0; x < width; ++x) {
        uint32_t v = 0;
        for (int i = 0; i < bits; ++i) {
          const size_t bit = x * bits + i;
          v = v << 1 | (row[bit / 8] >> (7 - bit % 8) & 1);
        }
        int level = static_cast<int>(v * 255 / ((1u << bits) - 1));
        if (p.Flags & MinIsWhite) level = 255 - level;
        out[y * width + x] = Gray(level);
      }
    }
  }
  return out;
}

class TiffCorpus : public ::testing::TestWithParam<std::string> {};

TEST_P(TiffCorpus, LoadsLikeLibtiffOrIsRefused) {
  const std::string name = fs::path(GetParam()).filename().string();
  const auto found = kExpected.find(name);
  const Expectation expected = found == kExpected.end() ? Expectation{kRgba} : found->second;
  TTIFFGraphic graphic;
  std::string refusal;
  try {
    graphic.LoadFile(GetParam());
  } catch (const EInvalidGraphic& e) {
    refusal = e.Message();
  } catch (const EGraphicCompression& e) {
    refusal = e.Message();
  } catch (const EColorConversionError& e) {
    refusal = e.Message();
  } catch (const EReadError& e) {
    refusal = e.Message();
  }
  if (expected.oracle == kRefused) {
    EXPECT_EQ(refusal, expected.message);
    return;
  }
  ASSERT_EQ(refusal, "");
  if (expected.oracle == kLoads) return;
  const std::vector<uint32_t> pixels = Expected(expected.oracle, GetParam(), graphic);
  ASSERT_FALSE(HasFailure());
  int mismatches = 0;
  for (int32_t y = 0; y < graphic.Height() && mismatches < 5; ++y) {
    for (int32_t x = 0; x < graphic.Width() - expected.row_tail && mismatches < 5; ++x) {
      const uint32_t theirs = pixels[size_t(y) * graphic.Width() + x];
      if (theirs & 0x80000000u) continue;
      const uint32_t ours = testing::ColorAt(graphic, x, y);
      for (int shift : {0, 8, 16}) {
        // YCbCr and 16-bit samples are rounded in different ways.
        if (std::abs(int(ours >> shift & 0xFF) - int(theirs >> shift & 0xFF)) > 2) {
          ADD_FAILURE() << "pixel " << x << "," << y << std::hex << ": ours " << ours
                        << ", libtiff " << theirs;
          ++mismatches;
          break;
        }
      }
    }
  }
}

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(TiffCorpus);
INSTANTIATE_TEST_SUITE_P(Files, TiffCorpus, ::testing::ValuesIn(CorpusTiffs()),
                         [](const auto& info) {
                           std::string name = fs::path(info.param).stem().string();
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace quillo
