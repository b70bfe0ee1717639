#include "image/dib_export.h"

#include <algorithm>
#include <cstring>

namespace quillo {
namespace {

TBitmapInfoHeader ExportHeader(const TBitmapImage& image) {
  TBitmapInfoHeader h;
  if (image.device) {
    h.width = image.header.width;
    h.height = image.header.height;
    h.bit_count = kDeviceBitsPerPixel;
  } else {
    h = image.header;
  }
  h.planes = 1;
  h.clr_important = std::min(h.clr_important, h.clr_used);
  if (h.size_image == 0) h.size_image = static_cast<uint32_t>(image.ImageSize());
  return h;
}

int ExportColorCount(const TBitmapInfoHeader& h) {
  if (h.bit_count > 8) return 0;
  return h.clr_used != 0 ? static_cast<int>(h.clr_used) : 1 << h.bit_count;
}

bool ExportsMasks(const TBitmapInfoHeader& h) {
  return h.bit_count > 8 && h.compression == kDibBitFields;
}

}  // namespace

TDibSizes DibSizes(const TBitmap& bitmap) {
  const TBitmapImage& image = bitmap.Image();
  if (image.Empty()) return {};
  const TBitmapInfoHeader h = ExportHeader(image);
  const uint32_t extra = ExportsMasks(h) ? 12 : 4 * static_cast<uint32_t>(ExportColorCount(h));
  return {kInfoHeaderSize + extra, h.size_image};
}

bool ExportDib(const TBitmap& bitmap, uint8_t* header, uint8_t* bits) {
  if (!ExportDibHeader(bitmap, header)) return false;
  const TBitmapImage& image = bitmap.Image();
  std::memcpy(bits, image.pixels.Data(),
              std::min<size_t>(LoadInfoHeader(header).size_image, image.pixels.Size()));
  return true;
}

bool ExportDibHeader(const TBitmap& bitmap, uint8_t* header) {
  const TBitmapImage& image = bitmap.Image();
  if (image.Empty()) return false;
  const TBitmapInfoHeader h = ExportHeader(image);
  StoreInfoHeader(h, header);
  uint8_t* p = header + kInfoHeaderSize;
  if (ExportsMasks(h)) {
    for (int i = 0; i < 3; ++i) StoreU32(p + 4 * i, image.masks[i]);
  }
  for (int i = 0; i < ExportColorCount(h); ++i, p += 4) {
    const TRgbQuad& c = image.colors[i];
    p[0] = c.blue;
    p[1] = c.green;
    p[2] = c.red;
    p[3] = 0;
  }
  return true;
}

const uint8_t* ExportedRow(const TBitmap& bitmap, int32_t index) {
  const TBitmapImage& image = bitmap.Image();
  return image.pixels.Data() + index * image.Stride();
}

}  // namespace quillo
