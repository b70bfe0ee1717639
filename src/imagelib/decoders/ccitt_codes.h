// The code tables of fax coding: the modified Huffman codes of runs (terminating codes for 0 to
// 63 pixels and make-up codes for multiples of 64, per colour) and the mode codes of
// two-dimensional rows.
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

// How a two-dimensional row places its next change of colour: relative to a change of the row
// above (vertical), past two changes of the row above (pass), or by two runs (horizontal).
enum TFaxMode : uint8_t { fmVertical, fmPass, fmHorizontal, fmUncompressed, fmEndOfLine };

struct TFaxModeCode {
  const char* bits;  // most significant first
  TFaxMode mode;
  int8_t offset;  // vertical modes: the change's distance right of the one above
};

std::span<const TFaxModeCode> FaxModeCodes();

}  // namespace quillo
