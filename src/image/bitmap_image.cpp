#include "image/bitmap_image.h"

namespace quillo {

TPixelFormat TBitmapImage::PixelFormat() const {
  if (device) return pxDevice;
  switch (header.bit_count) {
    case 1:
      return px1Bit;
    case 4:
      return px4Bit;
    case 8:
      return px8Bit;
    case 16:
      if (header.compression == kDibRgb) return px15Bit;
      if (header.compression == kDibBitFields && masks[1] == kMasks565[1]) return px16Bit;
      return pxCustom;
    case 24:
      return px24Bit;
    case 32:
      return header.compression == kDibRgb ? px32Bit : pxCustom;
    default:
      return pxCustom;
  }
}

void TBitmapImage::AllocatePixels() {
  header.size_image = static_cast<uint32_t>(ImageSize());
  pixels = TPixelBuffer(static_cast<size_t>(ImageSize()));
}

}  // namespace quillo
