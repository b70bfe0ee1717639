#include "imagelib/formats/psp.h"

#include <cstring>

#include "image/byte_order.h"

namespace quillo {
namespace {

// The signature text, its end-of-file mark, and zeros up to 32 bytes.
constexpr char kSignature[32] = "Paint Shop Pro Image File\n\x1a";
constexpr uint16_t kLatestMajorVersion = 20;

}  // namespace

bool TPSPGraphic::CanLoadStream(TStream& stream) {
  uint8_t h[sizeof kSignature + 4];
  if (PeekBytes(stream, h, sizeof h) < static_cast<int64_t>(sizeof h)) return false;
  const uint16_t major = LoadU16(h + sizeof kSignature);
  return std::memcmp(h, kSignature, sizeof kSignature) == 0 && major >= 1 &&
         major <= kLatestMajorVersion;
}

}  // namespace quillo
