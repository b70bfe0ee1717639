// Decoding of run-length compressed BMP pixels (8-bit and 4-bit schemes) into a device store.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/bitmap_image.h"

namespace quillo {

// Decodes into the device store's zero-filled rows, in the file's row order, each index taking
// its colour from the table. Pixels the data skip or never reach stay black, as on a fresh
// device bitmap. Runs that would pass the end of a row or of the picture are cut, and decoding
// stops where the data end.
void DecodeRle(const uint8_t* data, size_t size, const TColorTable& colors, TBitmapImage& store,
               int bits_per_index);

}  // namespace quillo
