// ThunderScan strips: 4-bit pixels coded as runs, small deltas from the last pixel, or raw values.
#pragma once

#include "imagelib/decoders/decoder.h"

namespace quillo {

class TThunderDecoder : public TDecoder {
 public:
  explicit TThunderDecoder(uint32_t width) : width_(width) {}

  void DecodeBlock(uint8_t* input, uint8_t* output, size_t input_size, size_t output_size) override;

 private:
  uint32_t width_;
};

}  // namespace quillo
