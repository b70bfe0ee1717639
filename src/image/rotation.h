// Quarter and half turns of 24- and 32-bit bitmaps, in place.
#pragma once

#include <cstdint>

#include "image/bitmap.h"

namespace quillo {

enum TRotationDirection : uint8_t { rdClockwise, rdCounterClockwise };

inline constexpr char kRotationFormatMessage[] = "PixelFormat is not Available.";

// The bitmap becomes Height() wide and Width() high. Pixel formats other than px24Bit and
// px32Bit fail with kRotationFormatMessage and leave the bitmap unchanged.
void RotateBitmap90(TBitmap& bitmap, TRotationDirection direction);
// Width and height stay; same formats and failure as the quarter turn.
void RotateBitmap180(TBitmap& bitmap);

}  // namespace quillo
