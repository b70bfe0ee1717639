#include "imagelib/formats/psd.h"

#include <cstring>

#include "image/byte_order.h"

namespace quillo {
namespace {

constexpr uint32_t kMaxSide = 30000;

}  // namespace

bool TPSDGraphic::CanLoadStream(TStream& stream) {
  uint8_t h[26];
  if (PeekBytes(stream, h, sizeof h) < static_cast<int64_t>(sizeof h)) return false;
  if (std::memcmp(h, "8BPS", 4) != 0 || LoadU16Be(h + 4) != 1) return false;
  for (int i = 6; i < 12; ++i) {
    if (h[i] != 0) return false;
  }
  const uint16_t channels = LoadU16Be(h + 12);
  const uint32_t height = LoadU32Be(h + 14);
  const uint32_t width = LoadU32Be(h + 18);
  const uint16_t depth = LoadU16Be(h + 22);
  const uint16_t mode = LoadU16Be(h + 24);
  const bool depth_known = depth == 1 || depth == 8 || depth == 16 || depth == 32;
  const bool mode_known = mode <= 4 || (mode >= 7 && mode <= 9);
  return channels >= 1 && channels <= 56 && height >= 1 && height <= kMaxSide && width >= 1 &&
         width <= kMaxSide && depth_known && mode_known;
}

}  // namespace quillo
