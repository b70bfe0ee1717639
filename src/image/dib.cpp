#include "image/dib.h"

namespace quillo {

TMasks DefaultMasks(uint16_t bit_count) { return bit_count == 16 ? kMasks565 : kMasks888; }

TBitmapInfoHeader LoadInfoHeader(const uint8_t* p) {
  TBitmapInfoHeader h;
  h.size = LoadU32(p);
  h.width = static_cast<int32_t>(LoadU32(p + 4));
  h.height = static_cast<int32_t>(LoadU32(p + 8));
  h.planes = LoadU16(p + 12);
  h.bit_count = LoadU16(p + 14);
  h.compression = LoadU32(p + 16);
  h.size_image = LoadU32(p + 20);
  h.x_pels_per_meter = static_cast<int32_t>(LoadU32(p + 24));
  h.y_pels_per_meter = static_cast<int32_t>(LoadU32(p + 28));
  h.clr_used = LoadU32(p + 32);
  h.clr_important = LoadU32(p + 36);
  return h;
}

void StoreInfoHeader(const TBitmapInfoHeader& h, uint8_t* p) {
  StoreU32(p, h.size);
  StoreU32(p + 4, static_cast<uint32_t>(h.width));
  StoreU32(p + 8, static_cast<uint32_t>(h.height));
  StoreU16(p + 12, h.planes);
  StoreU16(p + 14, h.bit_count);
  StoreU32(p + 16, h.compression);
  StoreU32(p + 20, h.size_image);
  StoreU32(p + 24, static_cast<uint32_t>(h.x_pels_per_meter));
  StoreU32(p + 28, static_cast<uint32_t>(h.y_pels_per_meter));
  StoreU32(p + 32, h.clr_used);
  StoreU32(p + 36, h.clr_important);
}

}  // namespace quillo
