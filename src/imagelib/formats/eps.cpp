#include "imagelib/formats/eps.h"

#include <string_view>

#include "image/byte_order.h"

namespace quillo {
namespace {

constexpr uint32_t kBinaryMagic = 0xC6D3D0C5;
constexpr uint32_t kBinaryHeaderSize = 30;
constexpr std::string_view kTextStart = "%!PS-Adobe-";
constexpr std::string_view kEpsfMark = " EPSF-";

}  // namespace

bool TEPSGraphic::CanLoadStream(TStream& stream) {
  uint8_t h[64];
  const int64_t got = PeekBytes(stream, h, sizeof h);
  if (got >= kBinaryHeaderSize && LoadU32(h) == kBinaryMagic) {
    return LoadU32(h + 4) >= kBinaryHeaderSize && LoadU32(h + 8) > 0;
  }
  const std::string_view text(reinterpret_cast<const char*>(h), static_cast<size_t>(got));
  if (!text.starts_with(kTextStart)) return false;
  const std::string_view first_line = text.substr(0, text.find_first_of("\r\n"));
  return first_line.find(kEpsfMark) != std::string_view::npos;
}

}  // namespace quillo
