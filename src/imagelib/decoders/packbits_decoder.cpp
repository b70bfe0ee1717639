#include "imagelib/decoders/packbits_decoder.h"

#include <algorithm>
#include <cstring>

namespace quillo {

void TPackbitsRLEDecoder::DecodeBlock(uint8_t* input, uint8_t* output, size_t input_size,
                                      size_t output_size) {
  const uint8_t* in = input;
  size_t in_left = input_size;
  size_t out_left = output_size;
  while (out_left > 0 && in_left > 0) {
    const auto header = static_cast<int8_t>(*in++);
    --in_left;
    if (header >= 0) {
      const size_t count = std::min({size_t(header) + 1, out_left, in_left});
      std::memcpy(output, in, count);
      in += count;
      in_left -= count;
      output += count;
      out_left -= count;
    } else if (header != -128) {
      if (in_left == 0) break;
      const size_t count = std::min(size_t(1 - header), out_left);
      std::memset(output, *in++, count);
      --in_left;
      output += count;
      out_left -= count;
    }
  }
}

}  // namespace quillo
