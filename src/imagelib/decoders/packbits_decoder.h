// PackBits run-length strips: literal runs and repeated bytes, each behind a signed header byte.
#pragma once

#include "imagelib/decoders/decoder.h"

namespace quillo {

class TPackbitsRLEDecoder : public TDecoder {
 public:
  void DecodeBlock(uint8_t* input, uint8_t* output, size_t input_size, size_t output_size) override;
};

}  // namespace quillo
