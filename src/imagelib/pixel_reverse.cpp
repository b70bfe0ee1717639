#include "imagelib/pixel_reverse.h"

#include <cstring>

namespace quillo {
namespace {

template <int kPixel>
void ReverseFrom(uint32_t first, const uint8_t* source, uint8_t* target, uint32_t count) {
  for (uint32_t i = first; i < count; ++i) {
    const uint8_t* s = source + size_t{i} * kPixel;
    uint8_t* t = target + size_t{i} * kPixel;
    t[0] = s[2];
    t[1] = s[1];
    t[2] = s[0];
    if constexpr (kPixel == 4) t[3] = s[3];
  }
}

#if defined(__x86_64__) || defined(__i386__)
using Bytes16 = uint8_t __attribute__((vector_size(16)));

// Shuffles the whole pixels of 16 bytes at a time (5 of 3 bytes, or 4 of 4) and returns the
// first pixel it left. A block also stores the byte after its last whole pixel; the next block
// writes that byte again, so a block runs only where a next one or the tail follows.
template <int kPixel>
[[gnu::always_inline]] inline uint32_t ReverseBlocks(const uint8_t* source, uint8_t* target,
                                                     uint32_t count) {
  constexpr uint32_t kStep = 16 / kPixel;
  uint32_t i = 0;
  for (; i + kStep + (kPixel == 3 ? 1 : 0) <= count; i += kStep) {
    Bytes16 v;
    std::memcpy(&v, source + size_t{i} * kPixel, 16);
    if constexpr (kPixel == 3) {
      v = __builtin_shufflevector(v, v, 2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    } else {
      v = __builtin_shufflevector(v, v, 2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
    }
    std::memcpy(target + size_t{i} * kPixel, &v, 16);
  }
  return i;
}
#endif

}  // namespace

// Processors with byte shuffles take 16 bytes per step; the others go pixel by pixel. The
// choice is made once, when the program is loaded.
#if defined(__x86_64__) || defined(__i386__)
[[gnu::target("default")]] void ReversePixels(int pixel_bytes, const uint8_t* source,
                                              uint8_t* target, uint32_t count) {
  if (pixel_bytes == 3) {
    ReverseFrom<3>(0, source, target, count);
  } else {
    ReverseFrom<4>(0, source, target, count);
  }
}

[[gnu::target("ssse3")]] void ReversePixels(int pixel_bytes, const uint8_t* source, uint8_t* target,
                                            uint32_t count) {
  if (pixel_bytes == 3) {
    ReverseFrom<3>(ReverseBlocks<3>(source, target, count), source, target, count);
  } else {
    ReverseFrom<4>(ReverseBlocks<4>(source, target, count), source, target, count);
  }
}
#else
void ReversePixels(int pixel_bytes, const uint8_t* source, uint8_t* target, uint32_t count) {
  if (pixel_bytes == 3) {
    ReverseFrom<3>(0, source, target, count);
  } else {
    ReverseFrom<4>(0, source, target, count);
  }
}
#endif

}  // namespace quillo
