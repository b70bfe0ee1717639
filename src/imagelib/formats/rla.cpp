#include "imagelib/formats/rla.h"

#include "image/byte_order.h"

namespace quillo {
namespace {

constexpr int kHeaderSize = 740;
constexpr uint16_t kRevision = 0xFFFE;

int16_t S16(const uint8_t* p) { return static_cast<int16_t>(LoadU16Be(p)); }

// A window of left, right, bottom and top.
bool Upright(const uint8_t* p) { return S16(p + 2) >= S16(p) && S16(p + 6) >= S16(p + 4); }

}  // namespace

bool TRLAGraphic::CanLoadStream(TStream& stream) {
  uint8_t h[kHeaderSize];
  if (PeekBytes(stream, h, sizeof h) < kHeaderSize) return false;
  const int16_t channels = S16(h + 20);
  const int16_t mattes = S16(h + 22);
  const int16_t aux = S16(h + 24);
  return LoadU16Be(h + 26) == kRevision && Upright(h) && Upright(h + 8) && channels >= 1 &&
         channels <= 4 && mattes >= 0 && mattes <= 4 && aux >= 0 && aux <= 4;
}

}  // namespace quillo
