#include "image/jpeg_scans.h"

#include <cstring>

#include "image/byte_order.h"
#include "platform/errors.h"

namespace quillo {
namespace {

constexpr uint8_t kEndOfImage = 0xD9;
constexpr uint8_t kStartOfScan = 0xDA;

// Markers without a length: stuffed zero bytes, restart markers, the start of the image and TEM.
bool StandsAlone(uint8_t marker) {
  return marker == 0x00 || marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7);
}

}  // namespace

int CountJpegScans(const uint8_t* bytes, size_t size, int limit) {
  int scans = 0;
  size_t at = 0;
  while (at + 1 < size && scans <= limit) {
    if (bytes[at] != 0xFF) {
      // Coded data, or bytes a decoder skips: on to the next possible marker.
      const void* next = std::memchr(bytes + at, 0xFF, size - at);
      if (next == nullptr) break;
      at = static_cast<size_t>(static_cast<const uint8_t*>(next) - bytes);
      continue;
    }
    const uint8_t marker = bytes[at + 1];
    if (marker == 0xFF) {  // a fill byte before a marker
      ++at;
      continue;
    }
    if (marker == kEndOfImage) break;
    at += 2;
    if (StandsAlone(marker)) continue;
    if (at + 2 > size) break;
    if (marker == kStartOfScan) ++scans;
    at += LoadU16Be(bytes + at);
  }
  return scans;
}

void CheckJpegScans(const uint8_t* bytes, size_t size) {
  if (CountJpegScans(bytes, size, kMaxJpegScans) > kMaxJpegScans) {
    throw EJPEG(kTooManyScansMessage);
  }
}

}  // namespace quillo
