#include "image/rle.h"

#include <algorithm>

namespace quillo {
namespace {

class RleTarget {
 public:
  RleTarget(const TColorTable& colors, TBitmapImage& store)
      : colors_(colors),
        base_(store.pixels.Data()),
        stride_(store.Stride()),
        width_(store.Width()),
        height_(store.Height()) {}

  bool Done() const { return y_ >= height_; }
  void Put(uint8_t index) {
    if (x_ < width_ && y_ < height_) {
      const TRgbQuad& c = colors_[index];
      uint8_t* p = base_ + y_ * stride_ + x_ * 4;
      p[0] = c.blue;
      p[1] = c.green;
      p[2] = c.red;
    }
    x_ = std::min<int64_t>(x_ + 1, width_);
  }
  void EndOfLine() {
    x_ = 0;
    ++y_;
  }
  void Move(int dx, int dy) {
    x_ = std::min<int64_t>(x_ + dx, width_);
    y_ += dy;
  }

 private:
  const TColorTable& colors_;
  uint8_t* base_;
  int64_t stride_;
  int64_t width_;
  int64_t height_;
  int64_t x_ = 0;
  int64_t y_ = 0;
};

// The index of pixel i of a run: 8-bit runs repeat one byte; 4-bit runs alternate its nibbles.
uint8_t RunIndex(uint8_t value, int i, int bits) {
  if (bits == 8) return value;
  return i % 2 == 0 ? value >> 4 : value & 0x0F;
}

}  // namespace

void DecodeRle(const uint8_t* data, size_t size, const TColorTable& colors, TBitmapImage& store,
               int bits_per_index) {
  RleTarget target(colors, store);
  size_t pos = 0;
  while (pos + 2 <= size && !target.Done()) {
    const uint8_t count = data[pos];
    const uint8_t value = data[pos + 1];
    pos += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i) target.Put(RunIndex(value, i, bits_per_index));
    } else if (value == 0) {
      target.EndOfLine();
    } else if (value == 1) {
      return;
    } else if (value == 2) {
      if (pos + 2 > size) return;
      target.Move(data[pos], data[pos + 1]);
      pos += 2;
    } else {
      // A literal run of `value` pixels, padded to a whole number of 16-bit words.
      const size_t bytes = bits_per_index == 8 ? value : (value + 1u) / 2;
      const size_t present = std::min(bytes, size - pos);
      for (int i = 0; i < value; ++i) {
        const size_t at = bits_per_index == 8 ? static_cast<size_t>(i) : static_cast<size_t>(i / 2);
        if (at >= present) break;
        target.Put(RunIndex(data[pos + at], i, bits_per_index));
      }
      pos = std::min(size, pos + bytes + (bytes & 1));
    }
  }
}

}  // namespace quillo
