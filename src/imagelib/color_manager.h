// Turns rows of decoded samples, in whatever colour model, depth and layout a file stores them,
// into bitmap rows, and builds the palettes of indexed and gray pictures.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "image/palette.h"
#include "image/pixel_format.h"
#include "imagelib/color_rows.h"

namespace quillo {

enum ColorModel : uint8_t {
  cmUnknown,
  cmIndexed,
  cmGray,
  cmGrayAlpha,
  cmRGB,
  cmRGBA,
  cmBGR,
  cmBGRA,
  cmCMY,
  cmCMYK,
  cmCIELab,
  cmYCbCr,
  cmPhotoYCC,
};

// One side's options; a set is the bitwise or of these.
enum TConvertOption : uint8_t {
  opHasAlpha = 1,      // the side carries an alpha sample (kept up to date by the converter)
  opGamma = 2,         // target: colour samples pass through the gamma table
  opSwapBytes = 4,     // source: 16-bit samples are stored most significant byte first
  opLabPercentL = 8,   // source: L* is stored as 0..255 for 0..100
  opLabOffsetAB = 16,  // source: a* and b* are stored unsigned with 128 added
  opSigned = 32        // source: samples are two's complement; half the range is added first
};
using TConvertOptions = uint8_t;

// How the colours handed to MakeColorPalette are laid out.
enum TRawPaletteFormat : uint8_t {
  rpBytes3,       // one plane of 8-bit red, green, blue triples
  rpBytes4,       // one plane of 8-bit quadruples; the fourth byte is skipped
  rpBytePlanes3,  // red, green and blue planes of 8-bit values
  rpBytePlanes4,
  rpWords3,       // one plane of 16-bit blue, green, red triples
  rpWords4,       // one plane of 16-bit quadruples; the fourth value is skipped
  rpWordPlanes3,  // red, green and blue planes of 16-bit values
  rpWordPlanes4,
};

inline constexpr char kColorDepthMessage[] =
    "Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.";
inline constexpr char kSampleCountMessage[] =
    "Sample count per pixel does not correspond to the given color scheme.";
inline constexpr char kIndexedMismatchMessage[] =
    "Conversion between indexed and non-indexed pixel formats is not supported.";
inline constexpr char kNoConversionMessage[] =
    "Color conversion failed. Could not find a proper method.";
inline constexpr char kSubsamplingMessage[] =
    "Subsampling value is invalid. Allowed are 1, 2 and 4.";
inline constexpr char kVerticalSubsamplingMessage[] =
    "Vertical subsampling value must be <= horizontal subsampling value.";

constexpr uint8_t ClampByte(int32_t v) {
  return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// (x * y) div z on 16-bit operands, the quotient cut to 16 bits; z must not be 0.
constexpr uint16_t MulDiv16(uint32_t x, uint32_t y, uint32_t z) {
  return static_cast<uint16_t>((x & 0xFFFF) * (y & 0xFFFF) / (z & 0xFFFF));
}

class TColorManager {
 public:
  TColorManager();

  bool Changed() const { return changed_; }

  uint8_t SourceBitsPerSample() const { return source_bits_; }
  uint8_t TargetBitsPerSample() const { return target_bits_; }
  uint8_t SourceSamplesPerPixel() const { return source_samples_; }
  uint8_t TargetSamplesPerPixel() const { return target_samples_; }
  ColorModel SourceColorModel() const { return source_model_; }
  ColorModel TargetColorModel() const { return target_model_; }
  TConvertOptions SourceOptions() const { return source_options_; }
  TConvertOptions TargetOptions() const { return target_options_; }
  // Depths 1 to 16; anything else raises EColorConversionError.
  void SetSourceBitsPerSample(uint8_t bits);
  void SetTargetBitsPerSample(uint8_t bits);
  // Counts 1 to 4; anything else raises EColorConversionError.
  void SetSourceSamplesPerPixel(uint8_t samples);
  void SetTargetSamplesPerPixel(uint8_t samples);
  // Samples each source pixel carries after those of its colour model, which no routine reads:
  // they are dropped before the row is converted (a plane each when planar).
  uint8_t SourceExtraSamples() const { return source_extra_; }
  void SetSourceExtraSamples(uint8_t samples);
  void SetSourceColorModel(ColorModel model);
  void SetTargetColorModel(ColorModel model);
  // Options are set before the first row; the routine is chosen again when they differ.
  void SetSourceOptions(TConvertOptions options);
  void SetTargetOptions(TConvertOptions options);

  float ImageGamma() const { return image_gamma_; }
  float ViewGamma() const { return view_gamma_; }
  const std::array<uint8_t, 256>& GammaTable() const { return context_.gamma; }
  // A non-positive image gamma counts as 2.2, a non-positive view gamma as 1.0.
  void SetGammaValues(float image_gamma, float view_gamma);

  float LumaRed() const { return luma_red_; }
  float LumaGreen() const { return luma_green_; }
  float LumaBlue() const { return luma_blue_; }
  uint8_t HorizontalSubsampling() const { return horizontal_subsampling_; }
  uint8_t VerticalSubsampling() const { return vertical_subsampling_; }
  // Takes the luma coefficients the list holds (red, green, blue), then checks and stores the
  // subsampling; a failed check leaves the coefficients taken.
  void SetYCbCrValues(std::span<const float> coefficients, int horizontal, int vertical);

  // The bitmap format that holds pixels of the source side (side 0) or the target side.
  TPixelFormat PixelFormatFor(int side) const;
  // A gray ramp for the target depth, black first, or white first with min_is_white.
  TPaletteRef MakeGrayPalette(bool min_is_white) const;
  // The palette stored in `planes` as `format` describes, with `count` colours (at most 256
  // are kept). `reversed` turns the order of the interleaved formats around. A target depth of
  // 8 or less that differs from the source depth resamples the palette to the target depth.
  TPaletteRef MakeColorPalette(std::span<const uint8_t* const> planes, TRawPaletteFormat format,
                               int count, bool reversed) const;
  // Indexed source pixels with a colour target: each pixel takes the colour of its index in
  // these `count` colours (laid out as for MakeColorPalette), black for an index past them.
  void SetColorMap(std::span<const uint8_t* const> planes, TRawPaletteFormat format, int count);

  // Converts `count` pixels into `target`: `planes` holds one row of interleaved samples or one
  // row per sample. Pixel i is converted only when bit 7 - i mod 8 of `mask` is set; the target
  // still moves on for skipped pixels, the source does not.
  void ConvertRow(std::span<const uint8_t* const> planes, uint8_t* target, uint32_t count,
                  uint8_t mask);
  // Bytes the converter writes for a row of `count` pixels, and reads from an interleaved
  // source row of that many pixels (a plane of a planar row holds one sample per pixel).
  // Both choose the routine first when the set-up changed, raising its errors.
  uint64_t TargetBytesPerRow(uint32_t count);
  uint64_t SourceBytesPerRow(uint32_t count);

 private:
  // The routine for the current set-up and what it needs; committed only when complete.
  struct TSelection {
    TRowKernel kernel = nullptr;
    TConvertOptions source_options = 0;
    TConvertOptions target_options = 0;
    unsigned target_bits_per_pixel = 0;  // as the routine writes it
    bool swap_words = false;             // 16-bit source samples need their bytes swapped
    uint8_t widen_bits = 0;              // colour samples of 1 to 15 bits scaled to 8 first
    uint8_t field_bits = 0;              // packed and word routines: width of a target value
  };

  void SelectConverter();
  void ChooseMapRoutine(TSelection& selection);
  void ChooseColorRoutine(TSelection& selection);
  void ChoosePackedRoutine(TSelection& selection);
  void BuildValueMap(unsigned field);
  void BuildYCbCrTables(int cr_offset, int cb_offset);
  const uint8_t* PrepareSource(std::span<const uint8_t* const> planes, uint64_t pixels);
  std::vector<TPaletteEntry> PaletteColors(std::span<const uint8_t* const> planes,
                                           TRawPaletteFormat format, size_t count,
                                           bool reversed) const;

  bool changed_ = true;
  uint8_t source_bits_ = 8;
  uint8_t target_bits_ = 8;
  uint8_t source_samples_ = 3;
  uint8_t target_samples_ = 3;
  uint8_t source_extra_ = 0;
  float view_gamma_ = 1.0f;
  float image_gamma_ = 2.2f;
  float luma_red_ = 0.299f;
  float luma_green_ = 0.587f;
  float luma_blue_ = 0.114f;
  uint8_t horizontal_subsampling_ = 1;
  uint8_t vertical_subsampling_ = 1;
  ColorModel source_model_ = cmRGB;
  ColorModel target_model_ = cmBGR;
  TConvertOptions source_options_ = 0;
  TConvertOptions target_options_ = 0;

  TSelection selection_;
  TRowContext context_;
  // Rows rearranged before the routine runs: planes interleaved, extra samples dropped, bytes
  // swapped, signs offset, samples widened, the selected pixels of a masked row gathered.
  std::vector<uint8_t> source_scratch_;
  std::vector<uint8_t> widen_scratch_;
  std::vector<uint8_t> target_scratch_;
};

}  // namespace quillo
