// Palettes: the list of up to 256 colours that goes with an image, and the two fixed palettes the
// bitmap hands out for 4-bit and 8-bit pictures.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "image/dib.h"

namespace quillo {

struct TPaletteEntry {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;

  bool operator==(const TPaletteEntry&) const = default;
};

// A palette is immutable once made, so stores and bitmaps share it freely.
struct TPalette {
  std::vector<TPaletteEntry> entries;  // at most 256
};

using TPaletteRef = std::shared_ptr<const TPalette>;

// A palette of the given entries (the first 256 at most).
TPaletteRef MakePalette(std::vector<TPaletteEntry> entries);
// A palette of the first count entries of a colour table.
TPaletteRef PaletteFromColorTable(const TColorTable& table, int count);
// Writes the first 256 palette entries into the table; returns how many were written.
int PaletteToColorTable(const TPalette& palette, TColorTable& table);

// The 16 colours of 4-bit pictures.
const TPaletteRef& SixteenColorPalette();
// 256 colours spread over the colour cube: a 6 x 6 x 6 cube (index 36 r + 6 g + b, steps of 51)
// followed by the 40 greys between the cube's own greys, so that greys come out smooth.
const TPaletteRef& HalftonePalette();

}  // namespace quillo
