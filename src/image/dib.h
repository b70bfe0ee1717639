// The device-independent bitmap layout: the 40-byte info header, colour-table entries, row
// strides, the size limits every store obeys, and the little-endian encoding of the headers.
#pragma once

#include <array>
#include <cstdint>

namespace quillo {

enum TDibCompression : uint32_t { kDibRgb = 0, kDibRle8 = 1, kDibRle4 = 2, kDibBitFields = 3 };

inline constexpr uint32_t kInfoHeaderSize = 40;
inline constexpr uint32_t kCoreHeaderSize = 12;
inline constexpr uint32_t kFileHeaderSize = 14;
inline constexpr uint16_t kBmpSignature = 0x4D42;  // "BM"
inline constexpr int kMaxColors = 256;

// A picture may claim at most 2^28 pixels and 1 GiB of pixel store.
inline constexpr int64_t kMaxPixels = int64_t{1} << 28;
inline constexpr int64_t kMaxStoreBytes = int64_t{1} << 30;

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

// Bytes per row: the row's bits rounded up to whole 32-bit words. Computed in 64 bits.
constexpr int64_t RowStride(int64_t width, int64_t bits_per_pixel) {
  return ((width * bits_per_pixel + 31) & ~int64_t{31}) / 8;
}

// Whether a picture of this size and depth stays within the store limits.
bool FitsStoreLimits(int64_t width, int64_t height, int64_t bits_per_pixel);

// The masks a bit-field store uses when none were given.
TMasks DefaultMasks(uint16_t bit_count);

inline uint16_t LoadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t LoadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline void StoreU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void StoreU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// The 40 bytes of an info header, field by field from p; the size field is read, not checked.
TBitmapInfoHeader LoadInfoHeader(const uint8_t* p);
void StoreInfoHeader(const TBitmapInfoHeader& header, uint8_t* p);

}  // namespace quillo
