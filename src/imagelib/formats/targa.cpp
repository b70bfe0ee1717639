#include "imagelib/formats/targa.h"

#include "image/byte_order.h"

namespace quillo {
namespace {

bool OneOf(int value, std::initializer_list<int> allowed) {
  for (int a : allowed) {
    if (value == a) return true;
  }
  return false;
}

}  // namespace

bool TTargaGraphic::CanLoadStream(TStream& stream) {
  uint8_t h[18];
  if (PeekBytes(stream, h, sizeof h) < static_cast<int64_t>(sizeof h)) return false;
  const uint8_t map_type = h[1];
  const uint8_t image_type = h[2];
  const uint16_t map_length = LoadU16(h + 5);
  const uint8_t map_entry_bits = h[7];
  const uint8_t depth = h[16];
  if (map_type > 1 || LoadU16(h + 12) == 0 || LoadU16(h + 14) == 0) return false;
  if ((h[17] & 0x0F) > depth) return false;  // alpha bits of the descriptor
  const bool map_fits = map_length > 0 && OneOf(map_entry_bits, {15, 16, 24, 32});
  if (!OneOf(image_type, {1, 2, 3, 9, 10, 11})) return false;
  switch (image_type & 0x07) {
    case 1:  // colour-mapped, plain or run-length
      return map_type == 1 && map_fits && OneOf(depth, {8, 16});
    case 2:  // true colour; a map, when present, is only carried along
      return (map_type == 0 || map_fits) && OneOf(depth, {15, 16, 24, 32});
    case 3:  // grey
      return map_type == 0 && OneOf(depth, {8, 16});
    default:
      return false;
  }
}

}  // namespace quillo
