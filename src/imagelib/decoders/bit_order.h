// Bytes whose bits a file stores least significant first (fill order 2), turned around so that
// decoders and rows read them most significant first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "imagelib/decoders/decoder.h"

namespace quillo {

// Reverses the order of the bits within each byte, in place.
void ReverseBitOrder(uint8_t* bytes, size_t size);

// Reverses the bits of each compressed block before the decoder it wraps sees it.
class TReversedBitsDecoder : public TDecoder {
 public:
  explicit TReversedBitsDecoder(std::unique_ptr<TDecoder> decoder) : decoder_(std::move(decoder)) {}

  void DecodeBlock(uint8_t* input, uint8_t* output, size_t input_size, size_t output_size) override;
  void BeginDecoding() override { decoder_->BeginDecoding(); }
  void EndDecoding() override { decoder_->EndDecoding(); }

 private:
  std::unique_ptr<TDecoder> decoder_;
};

}  // namespace quillo
