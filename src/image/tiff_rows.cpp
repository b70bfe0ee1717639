#include "image/tiff_rows.h"

#include <cstring>

namespace quillo {
namespace {

// The byte shuffles of true-colour rows run several times faster with wider vector instructions;
// the best version for the processor is picked once, when the program is loaded. Not under
// ThreadSanitizer, whose hooks in the picking function would run before its runtime is set up.
#if defined(__x86_64__) && !defined(__SANITIZE_THREAD__)
#define QUILLO_VECTOR_CLONES [[gnu::target_clones("avx2", "ssse3", "default")]]
#else
#define QUILLO_VECTOR_CLONES
#endif

// Pixels of `size` bytes, blue first, to red, green, blue.
template <int size>
void ToRgb(const uint8_t* __restrict in, uint8_t* __restrict out, int32_t width) {
  for (int32_t x = 0; x < width; ++x) {
    out[3 * x] = in[size * x + 2];
    out[3 * x + 1] = in[size * x + 1];
    out[3 * x + 2] = in[size * x];
  }
}

QUILLO_VECTOR_CLONES void BgrToRgb(const uint8_t* in, uint8_t* out, int32_t width) {
  ToRgb<3>(in, out, width);
}

QUILLO_VECTOR_CLONES void BgrxToRgb(const uint8_t* in, uint8_t* out, int32_t width) {
  ToRgb<4>(in, out, width);
}

}  // namespace

TTiffRowMaker::TTiffRowMaker(const TBitmapImage& image, const TBitmapInfoHeader& info)
    : width_(info.width), last_byte_mask_(0xFF) {
  const int bits = info.bit_count;
  if (bits <= 8) {
    kind_ = kIndexed;
    row_bytes_ = (int64_t{width_} * bits + 7) / 8;
    // Whatever follows the last pixel in its byte is padding; the strip gets zeros there.
    const int used = static_cast<int>(int64_t{width_} * bits % 8);
    if (used != 0) last_byte_mask_ = static_cast<uint8_t>(0xFF << (8 - used));
    return;
  }
  row_bytes_ = int64_t{width_} * 3;
  if (info.compression == kDibRgb && bits == 24) {
    kind_ = kBgr;
  } else if (info.compression == kDibRgb && bits == 32) {
    kind_ = kBgrx;
  } else {
    // 16-bit words and bit fields: each pixel's channels are read out through its masks.
    kind_ = kDecoded;
    codec_.emplace(image);
    colors_.resize(static_cast<size_t>(width_));
  }
}

void TTiffRowMaker::Make(const uint8_t* row, uint8_t* out) {
  switch (kind_) {
    case kIndexed:
      std::memcpy(out, row, static_cast<size_t>(row_bytes_));
      out[row_bytes_ - 1] &= last_byte_mask_;
      return;
    case kBgr:
      BgrToRgb(row, out, width_);
      return;
    case kBgrx:
      BgrxToRgb(row, out, width_);
      return;
    case kDecoded:
      codec_->Unpack(row, width_, colors_.data());
      for (const uint32_t c : colors_) {
        *out++ = static_cast<uint8_t>(c >> 16);
        *out++ = static_cast<uint8_t>(c >> 8);
        *out++ = static_cast<uint8_t>(c);
      }
      return;
  }
}

}  // namespace quillo
