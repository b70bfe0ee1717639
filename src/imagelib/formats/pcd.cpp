#include "imagelib/formats/pcd.h"

#include <cstring>

namespace quillo {
namespace {

constexpr int kMarkOffset = 2048;
constexpr char kMark[] = "PCD_IPI";
constexpr int kMarkSize = sizeof kMark - 1;

}  // namespace

bool TPCDGraphic::CanLoadStream(TStream& stream) {
  uint8_t h[kMarkOffset + kMarkSize];
  if (PeekBytes(stream, h, sizeof h) < static_cast<int64_t>(sizeof h)) return false;
  return std::memcmp(h + kMarkOffset, kMark, kMarkSize) == 0;
}

}  // namespace quillo
