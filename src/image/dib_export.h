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
// Fills the header buffer alone, as ExportDib does, for a writer that takes the rows one at a time
// from ExportedRow instead of copying them all. Returns false when there are no rows.
bool ExportDibHeader(const TBitmap& bitmap, uint8_t* header);
// Row `index` of the export, in the header's order and padded to 4 bytes, read in place: the
// store's rows are already laid out as the exported ones. The bitmap must not be empty.
const uint8_t* ExportedRow(const TBitmap& bitmap, int32_t index);

}  // namespace quillo
