// Quarter and half turns, mirrors and the other ways of setting a picture upright, for 24- and
// 32-bit bitmaps, in place.
#pragma once

#include <cstdint>

#include "image/bitmap.h"

namespace quillo {

enum TRotationDirection : uint8_t { rdClockwise, rdCounterClockwise };

// The eight ways of setting a picture upright, in the order of the EXIF Orientation values 1 to 8
// that call for them: orientation o is set upright by turn o - 1.
enum TPictureTurn : uint8_t {
  ptNone,
  ptFlipHorizontal,
  ptRotate180,
  ptFlipVertical,
  ptTranspose,  // the top-left pixel stays, rows become columns
  ptRotate90,   // clockwise
  ptTransverse,
  ptRotate270,  // clockwise, that is a quarter turn to the left
};

inline constexpr char kRotationFormatMessage[] = "PixelFormat is not Available.";

// The bitmap becomes Height() wide and Width() high. Pixel formats other than px24Bit and
// px32Bit fail with kRotationFormatMessage and leave the bitmap unchanged.
void RotateBitmap90(TBitmap& bitmap, TRotationDirection direction);
// Width and height stay; same formats and failure as the quarter turn.
void RotateBitmap180(TBitmap& bitmap);
// Left and right change places; same formats and failure as the quarter turn.
void MirrorBitmap(TBitmap& bitmap);
// Any of the eight, made of the turns and the mirror above; same formats and failure, except
// that ptNone leaves every bitmap as it is.
void TurnBitmap(TBitmap& bitmap, TPictureTurn turn);

}  // namespace quillo
