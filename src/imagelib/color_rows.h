// The row routines of the colour converter. Each converts a run of pixels from one interleaved
// source row into consecutive target pixels; the converter picks one per set-up and does the
// rearranging (planes, byte order, masks) around it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "image/palette.h"

namespace quillo {

// YCbCr table entries stay within this, far beyond the ±255 any real coefficients give, so
// that every sum of luma and entries has a place in the routine's clamping table.
inline constexpr int32_t kYCbCrTableLimit = 1024;

// What the routines read besides the rows; filled by the converter when it picks a routine.
struct TRowContext {
  std::array<uint8_t, 256> gamma{};
  std::array<int32_t, 256> cr_to_red{};
  std::array<int32_t, 256> cb_to_blue{};
  std::array<int32_t, 256> cr_to_green{};
  std::array<int32_t, 256> cb_to_green{};
  // Packed and word routines: the target value of every source value.
  std::vector<uint16_t> value_map;
  // Indexed pixels turned into colours: the colour of every index; black past its end.
  std::vector<TPaletteEntry> color_map;
  uint8_t source_bits = 8;  // width of a packed source field
  uint8_t field_bits = 8;   // width of a packed target field
  // L*a*b*: L* stored as a percentage of the full range, and the bit flipped in 8-bit a* and
  // b* to make them offset values (signed samples have their sign bit flipped, offset none).
  bool lab_percent_l = false;
  uint8_t lab_ab_flip = 0x80;
};

using TRowKernel = void (*)(const TRowContext& context, const uint8_t* source, uint8_t* target,
                            uint32_t count);

// Variants of a routine, or-ed together.
enum TRowFlag : unsigned {
  kSource16 = 1,     // source samples are 16-bit words in host order
  kTarget16 = 2,     // target samples are 16-bit words in host order
  kSourceAlpha = 4,  // source pixels carry an alpha sample after the colour
  kTargetAlpha = 8,  // target pixels carry a fourth sample
  kReverse = 16,     // red and blue change places (the third sample comes first)
  kGamma = 32,       // 8-bit colour values pass through the gamma table
};

// Red, green, blue (and alpha) samples into the same or the opposite order.
TRowKernel ColorCopyKernel(unsigned flags);
// Cyan, magenta, yellow, black into red, green, blue; flags kSource16 to kTargetAlpha.
TRowKernel CmykKernel(unsigned flags);
// CIE L*a*b* into red, green, blue; flags kSource16 to kTargetAlpha.
TRowKernel LabKernel(unsigned flags);
// Luma and two chroma samples through the YCbCr tables; flags kSource16 to kTargetAlpha.
TRowKernel YCbCrKernel(unsigned flags);
// Packed indexes or 16-bit words through the colour map into red, green, blue; flags
// kSource16, kReverse.
TRowKernel ColorMapKernel(unsigned flags);
// The gray sample of gray or gray+alpha pixels; flags kSource16, kTarget16, kSourceAlpha.
TRowKernel GrayKernel(unsigned flags);
// Packed fields or 16-bit words through the value map into packed fields or 16-bit words;
// flags kSource16, kTarget16.
TRowKernel PackedKernel(unsigned flags);
// Copies count x field_bits bits, rounded up to whole bytes: packed pixels or words that need
// no change.
void CopyRow(const TRowContext& context, const uint8_t* source, uint8_t* target, uint32_t count);

}  // namespace quillo
