// LZW strips: codes of 9 to 12 bits with clear and end-of-information codes, the code table
// built afresh for every strip. Strips start with a clear code, which also tells the bit order:
// most significant bit first, or least significant first as some old writers stored them.
#pragma once

#include <array>

#include "imagelib/decoders/decoder.h"

namespace quillo {

class TLZWDecoder : public TDecoder {
 public:
  TLZWDecoder();

  // Data that end without an end code keep what they gave; a code beyond the table raises
  // EGraphicCompression. Strings are cut at the end of the output.
  void DecodeBlock(uint8_t* input, uint8_t* output, size_t input_size, size_t output_size) override;

 private:
  // A string of the table: its last byte behind the string of `prefix`.
  struct TEntry {
    uint16_t prefix;
    uint16_t length;
    uint8_t last;
    uint8_t first;
  };
  static constexpr size_t kTableSize = 4096;

  template <bool kLsbFirst>
  void Decode(const uint8_t* input, size_t input_size, uint8_t* output, size_t output_size);

  std::array<TEntry, kTableSize> table_;
};

}  // namespace quillo
