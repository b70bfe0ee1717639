// The strip decompressors of TIFF images: each turns one compressed strip into raw sample rows.
// A reader creates one decoder per load, calls BeginDecoding once, DecodeBlock once per strip and
// EndDecoding once at the end, also after a failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace quillo {

// Hands a decoder the next piece of a block's compressed bytes; empty at the block's end. A piece
// stays valid until the next call.
using TInputPull = std::function<std::span<uint8_t>()>;

class TDecoder {
 public:
  virtual ~TDecoder() = default;

  // Decodes input_size compressed bytes into the output_size bytes at output. The output comes
  // zeroed; bytes the data do not produce stay as they are. Some decoders change the input.
  virtual void DecodeBlock(uint8_t* input, uint8_t* output, size_t input_size,
                           size_t output_size) = 0;
  virtual void EndDecoding() {}
  virtual void BeginDecoding() {}

  // Decoders that can take a block a part at a time, so that neither its compressed nor its
  // decoded bytes are ever held whole: BeginParts starts a block, and each DecodePart fills the
  // (zeroed) output with the block's next decoded bytes, pulling compressed bytes as it needs them.
  virtual bool DecodesInParts() const { return false; }
  virtual void BeginParts() {}
  virtual void DecodePart(const TInputPull& /*input*/, uint8_t* /*output*/,
                          size_t /*output_size*/) {}

 protected:
  TDecoder() = default;
  TDecoder(const TDecoder&) = delete;
  TDecoder& operator=(const TDecoder&) = delete;
};

// The decoders' own messages.
inline constexpr char kLz77ErrorMessage[] = "LZ77 decompression error.";
inline constexpr char kLzwErrorMessage[] = "LZW decompression error.";

}  // namespace quillo
