// Deflate strips: every strip is one complete zlib stream, inflated straight into the output.
#pragma once

#include <zlib.h>

#include "imagelib/decoders/decoder.h"

struct libdeflate_decompressor;

namespace quillo {

class TLZ77Decoder : public TDecoder {
 public:
  TLZ77Decoder();
  ~TLZ77Decoder() override;

  // A stream that ends early keeps what it gave; corrupt data raise EGraphicCompression.
  void DecodeBlock(uint8_t* input, uint8_t* output, size_t input_size, size_t output_size) override;
  void BeginDecoding() override;
  void EndDecoding() override;
  bool DecodesInParts() const override { return true; }
  void BeginParts() override;
  void DecodePart(const TInputPull& input, uint8_t* output, size_t output_size) override;

 private:
  // The whole-stream inflater takes every well-formed strip; the streaming one gives the strips it
  // refuses (cut off, or with more data than the strip holds) what they can give.
  void InflateAsFarAsItGoes(uint8_t* input, uint8_t* output, size_t input_size, size_t output_size);

  libdeflate_decompressor* whole_ = nullptr;
  z_stream stream_;
  bool created_ = false;
  bool ended_ = false;  // the stream of the block taken in parts has ended
};

}  // namespace quillo
