#include "imagelib/formats/pcx.h"

#include "image/byte_order.h"

namespace quillo {

bool TPCXGraphic::CanLoadStream(TStream& stream) {
  uint8_t h[128];
  if (PeekBytes(stream, h, sizeof h) < static_cast<int64_t>(sizeof h)) return false;
  const uint8_t version = h[1];
  const uint8_t bits = h[3];
  const uint8_t planes = h[65];
  if (h[0] != 0x0A || version > 5 || version == 1 || h[2] > 1) return false;
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8) return false;
  if (planes < 1 || planes > 4) return false;
  const uint16_t x_min = LoadU16(h + 4);
  const uint16_t y_min = LoadU16(h + 6);
  const uint16_t x_max = LoadU16(h + 8);
  const uint16_t y_max = LoadU16(h + 10);
  if (x_max < x_min || y_max < y_min) return false;
  const uint32_t row_bits = (uint32_t{x_max} - x_min + 1) * bits;
  return LoadU16(h + 66) >= (row_bits + 7) / 8;
}

}  // namespace quillo
