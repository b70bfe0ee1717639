// Fields of 1 to 16 bits packed into bytes most significant bit first, as rows of packed
// pixels and samples store them.
#pragma once

#include <algorithm>
#include <cstdint>

namespace quillo {

// The largest value a field of `bits` holds.
constexpr uint32_t MaxFieldValue(unsigned bits) { return (1u << bits) - 1; }

// Bitmaps keep 2- and 3-bit pictures in 4-bit pixels, so packed targets that narrow are
// written 4 bits wide.
constexpr unsigned StoredFieldBits(unsigned bits) { return bits == 2 || bits == 3 ? 4 : bits; }

inline uint32_t ReadField(const uint8_t* row, uint64_t bit, unsigned bits) {
  uint32_t value = 0;
  while (bits > 0) {
    const unsigned free = 8 - static_cast<unsigned>(bit & 7);
    const unsigned take = std::min(free, bits);
    const unsigned byte = row[bit >> 3];
    value = value << take | (byte >> (free - take) & ((1u << take) - 1));
    bit += take;
    bits -= take;
  }
  return value;
}

// Writes the field and keeps every other bit of the bytes it touches.
inline void WriteField(uint8_t* row, uint64_t bit, unsigned bits, uint32_t value) {
  while (bits > 0) {
    const unsigned free = 8 - static_cast<unsigned>(bit & 7);
    const unsigned take = std::min(free, bits);
    const unsigned shift = free - take;
    const unsigned mask = ((1u << take) - 1) << shift;
    const unsigned part = value >> (bits - take) << shift;
    uint8_t& byte = row[bit >> 3];
    byte = static_cast<uint8_t>((byte & ~mask) | (part & mask));
    bit += take;
    bits -= take;
  }
}

}  // namespace quillo
