#include "imagelib/formats/sgi.h"

#include "image/byte_order.h"

namespace quillo {
namespace {

constexpr uint16_t kMagic = 474;

}  // namespace

bool TSGIGraphic::CanLoadStream(TStream& stream) {
  uint8_t h[108];
  if (PeekBytes(stream, h, sizeof h) < static_cast<int64_t>(sizeof h)) return false;
  const uint8_t storage = h[2];
  const uint8_t bytes_per_channel = h[3];
  const uint16_t dimensions = LoadU16Be(h + 4);
  return LoadU16Be(h) == kMagic && storage <= 1 && bytes_per_channel >= 1 &&
         bytes_per_channel <= 2 && dimensions >= 1 && dimensions <= 3 && LoadU16Be(h + 6) > 0 &&
         LoadU16Be(h + 8) > 0 && LoadU16Be(h + 10) > 0 && LoadU32Be(h + 104) <= 3;
}

}  // namespace quillo
