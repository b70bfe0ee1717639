// The pixel formats a bitmap reports, in their fixed order.
#pragma once

#include <cstdint>

namespace quillo {

enum TPixelFormat : uint8_t {
  pxDevice,
  px1Bit,
  px4Bit,
  px8Bit,
  px15Bit,
  px16Bit,
  px24Bit,
  px32Bit,
  pxCustom,
};

// The display this program assumes is a true-colour one: device stores hold 32 bits per pixel.
inline constexpr uint16_t kDeviceBitsPerPixel = 32;

// Bits per pixel of a store built in the given format (0 for pxCustom, which cannot be built).
constexpr uint16_t BitsPerPixel(TPixelFormat format) {
  switch (format) {
    case pxDevice:
      return kDeviceBitsPerPixel;
    case px1Bit:
      return 1;
    case px4Bit:
      return 4;
    case px8Bit:
      return 8;
    case px15Bit:
    case px16Bit:
      return 16;
    case px24Bit:
      return 24;
    case px32Bit:
      return 32;
    case pxCustom:
      break;
  }
  return 0;
}

}  // namespace quillo
