#include "imagelib/decoders/thunder_decoder.h"

namespace quillo {
namespace {

constexpr int kTwoBitDeltas[4] = {0, 1, 0, -1};
constexpr int kTwoBitSkip = 2;
constexpr int kThreeBitDeltas[8] = {0, 1, 2, 3, 0, -3, -2, -1};
constexpr int kThreeBitSkip = 4;

// Writes the pixels of one row, two to a byte with the first in the high nibble; pixels past
// the row's width are dropped.
class RowWriter {
 public:
  RowWriter(uint8_t* row, uint32_t width) : row_(row), width_(width) {}

  uint32_t Count() const { return count_; }
  uint8_t Last() const { return last_; }

  void Append(int value) {
    last_ = static_cast<uint8_t>(value & 15);
    if (count_ < width_) {
      uint8_t& byte = row_[count_ / 2];
      byte = (count_ & 1) ? static_cast<uint8_t>(byte | last_) : static_cast<uint8_t>(last_ << 4);
    }
    ++count_;
  }

 private:
  uint8_t* row_;
  uint32_t width_;
  uint32_t count_ = 0;
  uint8_t last_ = 0;
};

}  // namespace

void TThunderDecoder::DecodeBlock(uint8_t* input, uint8_t* output, size_t input_size,
                                  size_t output_size) {
  const size_t row_bytes = (size_t{width_} + 1) / 2;
  if (row_bytes == 0) return;
  const uint8_t* in = input;
  const uint8_t* end = input + input_size;
  for (size_t offset = 0; offset + row_bytes <= output_size; offset += row_bytes) {
    RowWriter row(output + offset, width_);
    while (in < end && row.Count() < width_) {
      const uint8_t code = *in++;
      switch (code >> 6) {
        case 0:
          for (int n = code & 63; n > 0; --n) row.Append(row.Last());
          break;
        case 1:
          for (int shift = 4; shift >= 0; shift -= 2) {
            const int d = (code >> shift) & 3;
            if (d != kTwoBitSkip) row.Append(row.Last() + kTwoBitDeltas[d]);
          }
          break;
        case 2:
          for (int shift = 3; shift >= 0; shift -= 3) {
            const int d = (code >> shift) & 7;
            if (d != kThreeBitSkip) row.Append(row.Last() + kThreeBitDeltas[d]);
          }
          break;
        default:
          row.Append(code & 15);
          break;
      }
    }
  }
}

}  // namespace quillo
