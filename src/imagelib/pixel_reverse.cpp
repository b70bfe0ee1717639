#include "imagelib/pixel_reverse.h"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

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

// Rows at least this long go straight to memory. Bitmap rows run bottom-up, so every row of a
// large picture would otherwise start a new stream of cache-line reads before the writes.
constexpr size_t kStreamBytes = 8192;

template <bool kStream>
[[gnu::target("ssse3")]] void Store(uint8_t* target, Bytes16 v) {
  if constexpr (kStream) {
    _mm_stream_si128(reinterpret_cast<__m128i*>(target), std::bit_cast<__m128i>(v));
  } else {
    std::memcpy(target, &v, 16);
  }
}

// 16 pixels of 3 bytes, or 4 of 4 bytes, per step of whole 16-byte loads and stores; the
// pixels left over go one by one. Streamed stores start where the target is 16-byte aligned.
template <int kPixel, bool kStream>
[[gnu::target("ssse3")]] void ReverseShuffled(const uint8_t* source, uint8_t* target,
                                              uint32_t count) {
  constexpr uint32_t kStep = kPixel == 3 ? 16 : 4;
  uint32_t i = 0;
  if constexpr (kStream) {
    while (i < count && reinterpret_cast<uintptr_t>(target + size_t{i} * kPixel) % 16 != 0) ++i;
    ReverseFrom<kPixel>(0, source, target, i);
  }
  for (; i + kStep <= count; i += kStep) {
    const uint8_t* s = source + size_t{i} * kPixel;
    uint8_t* t = target + size_t{i} * kPixel;
    Bytes16 a, b, c;
    std::memcpy(&a, s, 16);
    if constexpr (kPixel == 3) {
      std::memcpy(&b, s + 16, 16);
      std::memcpy(&c, s + 32, 16);
      // Output byte j comes from input byte 3 (j / 3) + 2 - j % 3 of the 48.
      const Bytes16 ab = __builtin_shufflevector(a, b, 16, 15, 20, 19, 18, 23, 22, 21, 26, 25, 24,
                                                 29, 28, 27, 0, 31);
      Store<kStream>(
          t, __builtin_shufflevector(a, b, 2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 17));
      Store<kStream>(t + 16, __builtin_shufflevector(ab, c, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11,
                                                     12, 13, 16, 15));
      Store<kStream>(t + 32, __builtin_shufflevector(b, c, 14, 19, 18, 17, 22, 21, 20, 25, 24, 23,
                                                     28, 27, 26, 31, 30, 29));
    } else {
      Store<kStream>(
          t, __builtin_shufflevector(a, a, 2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15));
    }
  }
  if constexpr (kStream) _mm_sfence();
  ReverseFrom<kPixel>(i, source, target, count);
}

template <int kPixel>
void ReverseAnyLength(const uint8_t* source, uint8_t* target, uint32_t count) {
  if (size_t{count} * kPixel >= kStreamBytes) {
    ReverseShuffled<kPixel, true>(source, target, count);
  } else {
    ReverseShuffled<kPixel, false>(source, target, count);
  }
}

bool HasByteShuffles() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}
#endif

}  // namespace

void ReversePixels(int pixel_bytes, const uint8_t* source, uint8_t* target, uint32_t count) {
#if defined(__x86_64__) || defined(__i386__)
  if (HasByteShuffles()) {
    if (pixel_bytes == 3) {
      ReverseAnyLength<3>(source, target, count);
    } else {
      ReverseAnyLength<4>(source, target, count);
    }
    return;
  }
#endif
  if (pixel_bytes == 3) {
    ReverseFrom<3>(0, source, target, count);
  } else {
    ReverseFrom<4>(0, source, target, count);
  }
}

}  // namespace quillo
