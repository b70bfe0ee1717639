// Exchanging the first and third byte of every 3- or 4-byte pixel of a row: the step between
// the red, green, blue order of files and the blue, green, red order of bitmap rows.
#pragma once

#include <cstdint>

namespace quillo {

// `pixel_bytes` is 3 or 4; a fourth byte is copied as it is. Source and target do not overlap.
void ReversePixels(int pixel_bytes, const uint8_t* source, uint8_t* target, uint32_t count);

}  // namespace quillo
