// Export of a bitmap's pixels as one DIB: the info header with its colour table or masks, and
// the padded rows. The TIFF writer builds on it.
#pragma once

#include <cstdint>

#include "image/bitmap.h"

namespace quillo {

struct TDibSizes {
  uint32_t header_size = 0;  // info header plus colour table or masks
  uint32_t image_size = 0;   // all pixel rows
};

// The sizes the buffers of ExportDib need; both 0 for an empty bitmap.
TDibSizes DibSizes(const TBitmap& bitmap);
// Fills the header buffer (the info header, then the colour table or masks) and the bits buffer
// (the rows in the header's order, each padded to 4 bytes), sized as DibSizes says. Returns false
// when there are no rows to copy.
bool ExportDib(const TBitmap& bitmap, uint8_t* header, uint8_t* bits);

}  // namespace quillo
