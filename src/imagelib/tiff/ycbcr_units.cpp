#include "imagelib/tiff/ycbcr_units.h"

#include <algorithm>

namespace quillo {

void UnpackDataUnits(const TDataUnitLayout& layout, const uint8_t* units, uint32_t rows,
                     uint8_t* target, size_t row_stride) {
  const uint32_t h = layout.horizontal;
  const uint32_t v = layout.vertical;
  rows = std::min(rows, v);
  const uint8_t* unit = units;
  for (uint32_t x0 = 0; x0 < layout.width; x0 += h, unit += layout.UnitBytes()) {
    const uint8_t cb = unit[h * v];
    const uint8_t cr = unit[h * v + 1];
    const uint32_t columns = std::min(h, layout.width - x0);
    for (uint32_t y = 0; y < rows; ++y) {
      uint8_t* out = target + y * row_stride + size_t{x0} * 3;
      const uint8_t* luma = unit + y * h;
      for (uint32_t x = 0; x < columns; ++x, out += 3) {
        out[0] = luma[x];
        out[1] = cb;
        out[2] = cr;
      }
    }
  }
}

}  // namespace quillo
