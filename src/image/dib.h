// The device-independent bitmap layout: the 40-byte info header, colour-table entries and the
// little-endian encoding of the headers.
#pragma once

#include <array>
#include <cstdint>

#include "image/byte_order.h"
#include "image/image_limits.h"

namespace quillo {

enum TDibCompression : uint32_t { kDibRgb = 0, kDibRle8 = 1, kDibRle4 = 2, kDibBitFields = 3 };

inline constexpr uint32_t kInfoHeaderSize = 40;
inline constexpr uint32_t kCoreHeaderSize = 12;
inline constexpr uint32_t kFileHeaderSize = 14;
inline constexpr uint16_t kBmpSignature = 0x4D42;  // "BM"
inline constexpr int kMaxColors = 256;

struct TBitmapInfoHeader {
  uint32_t size = kInfoHeaderSize;
  int32_t width = 0;
  int32_t height = 0;  // positive: rows stored bottom-up; negative: top-down
  uint16_t planes = 1;
  uint16_t bit_count = 0;
  uint32_t compression = kDibRgb;
  uint32_t size_image = 0;
  int32_t x_pels_per_meter = 0;
  int32_t y_pels_per_meter = 0;
  uint32_t clr_used = 0;
  uint32_t clr_important = 0;

  bool operator==(const TBitmapInfoHeader&) const = default;
};

// One colour-table entry as a DIB stores it.
struct TRgbQuad {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  uint8_t reserved = 0;

  bool operator==(const TRgbQuad&) const = default;
};

using TColorTable = std::array<TRgbQuad, kMaxColors>;
// Red, green and blue bit-field masks.
using TMasks = std::array<uint32_t, 3>;

inline constexpr TMasks kMasks565 = {0xF800, 0x07E0, 0x001F};
inline constexpr TMasks kMasks555 = {0x7C00, 0x03E0, 0x001F};
inline constexpr TMasks kMasks888 = {0xFF0000, 0x00FF00, 0x0000FF};

// The masks a bit-field store uses when none were given.
TMasks DefaultMasks(uint16_t bit_count);

// The 40 bytes of an info header, field by field from p; the size field is read, not checked.
TBitmapInfoHeader LoadInfoHeader(const uint8_t* p);
void StoreInfoHeader(const TBitmapInfoHeader& header, uint8_t* p);

}  // namespace quillo
