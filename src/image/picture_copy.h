// Draws one store's picture onto another: at the top-left corner, clipped, converted to the
// target's layout, with the rest of the target white.
#pragma once

#include "image/bitmap_image.h"

namespace quillo {

// The target must hold pixels; an empty source leaves the whole target white.
void CopyPicture(const TBitmapImage& from, TBitmapImage& to);

// Paints the rows from `first_row` (counted from the top) to the bottom white.
void PaintRowsWhite(TBitmapImage& to, int32_t first_row);

}  // namespace quillo
