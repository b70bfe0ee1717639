// The modified Huffman code tables of the one-dimensional fax coding: terminating codes for runs
// of 0 to 63 pixels and make-up codes for multiples of 64, per colour.
#pragma once

#include <cstdint>
#include <span>

namespace quillo {

struct TFaxCode {
  const char* bits;  // most significant first
  int32_t run;
};

std::span<const TFaxCode> WhiteFaxCodes();
std::span<const TFaxCode> BlackFaxCodes();
// Make-up codes for 1792 to 2560, shared by both colours.
std::span<const TFaxCode> ExtendedFaxCodes();

}  // namespace quillo
