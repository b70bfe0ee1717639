// The strip decompressors of TIFF images: each turns one compressed strip into raw sample rows.
// A reader creates one decoder per load, calls BeginDecoding once, DecodeBlock once per strip and
// EndDecoding once at the end, also after a failure.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillo {

class TDecoder {
 public:
  virtual ~TDecoder() = default;

  // Decodes input_size compressed bytes into the output_size bytes at output. The output comes
  // zeroed; bytes the data do not produce stay as they are. Some decoders change the input.
  virtual void DecodeBlock(uint8_t* input, uint8_t* output, size_t input_size,
                           size_t output_size) = 0;
  virtual void EndDecoding() {}
  virtual void BeginDecoding() {}

 protected:
  TDecoder() = default;
  TDecoder(const TDecoder&) = delete;
  TDecoder& operator=(const TDecoder&) = delete;
};

// The decoders' own messages.
inline constexpr char kLz77ErrorMessage[] = "LZ77 decompression error.";
inline constexpr char kLzwErrorMessage[] = "LZW decompression error.";

}  // namespace quillo
