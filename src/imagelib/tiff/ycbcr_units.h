// Subsampled YCbCr samples stored by data units: each unit covers h × v pixels and holds their
// h × v luma samples, row by row, then one Cb and one Cr for all of them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillo {

struct TDataUnitLayout {
  uint32_t width = 0;  // pixels per row
  uint32_t horizontal = 1;
  uint32_t vertical = 1;

  uint64_t UnitsPerRow() const { return (uint64_t{width} + horizontal - 1) / horizontal; }
  uint64_t UnitBytes() const { return uint64_t{horizontal} * vertical + 2; }
  // Bytes of one row of units, which covers `vertical` pixel rows.
  uint64_t UnitRowBytes() const { return UnitsPerRow() * UnitBytes(); }
};

// Spreads one row of units into `rows` rows (at most `vertical`) of Y, Cb, Cr per pixel, each
// pixel with the chroma of its unit. Rows lie `row_stride` bytes apart from `target`.
void UnpackDataUnits(const TDataUnitLayout& layout, const uint8_t* units, uint32_t rows,
                     uint8_t* target, size_t row_stride);

}  // namespace quillo
