#include "imagelib/formats/autodesk.h"

#include "image/byte_order.h"

namespace quillo {
namespace {

constexpr uint16_t kMagic = 0x9119;

}  // namespace

bool TAutodeskGraphic::CanLoadStream(TStream& stream) {
  uint8_t h[32];
  if (PeekBytes(stream, h, sizeof h) < static_cast<int64_t>(sizeof h)) return false;
  const uint16_t width = LoadU16(h + 2);
  const uint16_t height = LoadU16(h + 4);
  return LoadU16(h) == kMagic && width > 0 && height > 0 && h[10] == 8 && h[11] == 0 &&
         LoadU32(h + 12) == uint32_t{width} * height;
}

}  // namespace quillo
