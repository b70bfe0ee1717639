// Writing a bitmap as a BMP file image.
#include <vector>

#include "image/bitmap.h"
#include "image/image_messages.h"
#include "platform/errors.h"

namespace quillo {
namespace {

// The header a device store is written with: a plain 32-bit picture.
TBitmapInfoHeader DeviceHeader(const TBitmapImage& image) {
  TBitmapInfoHeader h;
  h.width = image.header.width;
  h.height = image.header.height;
  h.bit_count = kDeviceBitsPerPixel;
  h.size_image = static_cast<uint32_t>(image.ImageSize());
  return h;
}

// The colour entries to write: the colour table of an indexed picture, cut to its colours-used
// count, or else the palette, unless that is the halftone one.
std::vector<TRgbQuad> ColorsToWrite(const TBitmapImage& image, const TBitmapInfoHeader& h) {
  if (image.Indexed()) {
    auto count = static_cast<uint32_t>(image.ColorCount());
    if (h.clr_used != 0 && h.clr_used < count) count = h.clr_used;
    return {image.colors.begin(), image.colors.begin() + count};
  }
  std::vector<TRgbQuad> colors;
  if (image.palette && !image.halftone) {
    TColorTable table;
    colors.assign(table.begin(), table.begin() + PaletteToColorTable(*image.palette, table));
  }
  return colors;
}

// The 12-byte core header serves only pictures it can describe: uncompressed and bottom-up,
// at most 65535 pixels each way.
bool WritesCoreHeader(const TBitmapImage& image, const TBitmapInfoHeader& h) {
  return image.os2 && h.compression == kDibRgb && h.width <= 0xFFFF && h.height > 0 &&
         h.height <= 0xFFFF;
}

}  // namespace

void TBitmap::WriteBmp(TStream& stream) const {
  const TBitmapImage& image = *image_;
  if (!image.file_bytes.empty()) {
    stream.WriteBuffer(image.file_bytes.data(), static_cast<int64_t>(image.file_bytes.size()));
    return;
  }
  if (image.Empty()) throw EInvalidGraphic(kInvalidBitmapMessage);

  TBitmapInfoHeader h = image.device ? DeviceHeader(image) : image.header;
  const bool core = WritesCoreHeader(image, h);
  const bool masks = !core && h.bit_count > 8 && h.compression == kDibBitFields;
  std::vector<TRgbQuad> colors =
      core ? std::vector<TRgbQuad>(image.colors.begin(), image.colors.begin() + image.ColorCount())
           : ColorsToWrite(image, h);
  const int entry_size = core ? 3 : 4;
  const uint32_t header_size = (core ? kCoreHeaderSize : kInfoHeaderSize) + (masks ? 12 : 0) +
                               static_cast<uint32_t>(entry_size * colors.size());
  const auto image_size = static_cast<uint32_t>(image.ImageSize());

  std::vector<uint8_t> out(kFileHeaderSize + header_size);
  uint8_t* p = out.data();
  StoreU16(p, kBmpSignature);
  StoreU32(p + 2, kFileHeaderSize + header_size + image_size);
  StoreU32(p + 10, kFileHeaderSize + header_size);
  p += kFileHeaderSize;
  if (core) {
    StoreU32(p, kCoreHeaderSize);
    StoreU16(p + 4, static_cast<uint16_t>(h.width));
    StoreU16(p + 6, static_cast<uint16_t>(h.height));
    StoreU16(p + 8, 1);
    StoreU16(p + 10, h.bit_count);
    p += kCoreHeaderSize;
  } else {
    h.size = kInfoHeaderSize;
    h.size_image = image_size;
    if (!colors.empty()) h.clr_used = static_cast<uint32_t>(colors.size());
    StoreInfoHeader(h, p);
    p += kInfoHeaderSize;
  }
  if (masks) {
    for (uint32_t mask : image.masks) {
      StoreU32(p, mask);
      p += 4;
    }
  }
  for (const TRgbQuad& c : colors) {
    p[0] = c.blue;
    p[1] = c.green;
    p[2] = c.red;
    if (!core) p[3] = 0;
    p += entry_size;
  }
  stream.WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
  stream.WriteBuffer(image.pixels.Data(), image_size);
}

}  // namespace quillo
