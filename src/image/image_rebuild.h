// Builds the store that replaces a bitmap's store when its size, pixel format or palette is set.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "image/bitmap_image.h"

namespace quillo {

// What changes; everything else is taken from the old store.
struct TRebuildRequest {
  int32_t width = 0;
  int32_t height = 0;  // a negative height keeps top-down rows
  std::optional<TPixelFormat> format;
  TPaletteRef palette;      // an explicit palette for the colour table
  bool paint_white = true;  // false: zero rows that the caller is about to fill
};

// The new store holds the old picture at its top-left corner, converted, on a white ground (or
// zero rows, when asked for no paint); a width or height of 0 gives an empty store that keeps
// the description. Throws EInvalidGraphic
// for a negative size or one beyond the store limits, and for pxCustom.
std::shared_ptr<TBitmapImage> RebuildImage(const TBitmapImage& old, const TRebuildRequest& request);

}  // namespace quillo
