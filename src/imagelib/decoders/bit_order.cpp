#include "imagelib/decoders/bit_order.h"

#include <array>

namespace quillo {
namespace {

constexpr std::array<uint8_t, 256> kReversedBytes = [] {
  std::array<uint8_t, 256> table{};
  for (int i = 0; i < 256; ++i) {
    int r = 0;
    for (int bit = 0; bit < 8; ++bit) r |= ((i >> bit) & 1) << (7 - bit);
    table[i] = static_cast<uint8_t>(r);
  }
  return table;
}();

}  // namespace

void ReverseBitOrder(uint8_t* bytes, size_t size) {
  for (size_t i = 0; i < size; ++i) bytes[i] = kReversedBytes[bytes[i]];
}

void TReversedBitsDecoder::DecodeBlock(uint8_t* input, uint8_t* output, size_t input_size,
                                       size_t output_size) {
  ReverseBitOrder(input, input_size);
  decoder_->DecodeBlock(input, output, input_size, output_size);
}

}  // namespace quillo
