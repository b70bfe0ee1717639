// Helpers for the image tests: BMP file images built byte by byte, and pixel colours read
// straight from a bitmap's rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "platform/stream.h"

namespace quillo::testing {

// Little-endian byte strings.
class Bytes {
 public:
  Bytes& U8(uint8_t v);
  Bytes& U16(uint16_t v);
  Bytes& U32(uint32_t v);
  Bytes& Raw(const std::string& s);
  Bytes& Fill(size_t count, uint8_t v);
  const std::string& Str() const { return bytes_; }
  size_t Size() const { return bytes_.size(); }

 private:
  std::string bytes_;
};

struct InfoFields {
  int32_t width = 1;
  int32_t height = 1;
  uint16_t bit_count = 24;
  uint32_t compression = 0;
  uint32_t size_image = 0;
  uint32_t clr_used = 0;
  uint32_t header_size = 40;  // larger sizes are padded with zeros
  uint16_t planes = 1;
};

// "BM", the sizes, then the info header; the offset of the bits assumes that the colour table
// (and masks) given as `between` follow directly.
std::string BmpFile(const InfoFields& info, const std::string& between, const std::string& pixels);

// The same with the 12-byte core header; the colour entries are 3 bytes each.
std::string CoreBmpFile(uint16_t width, uint16_t height, uint16_t bit_count,
                        const std::string& colors, const std::string& pixels);

TMemoryStream StreamOf(const std::string& bytes);
std::string BytesOf(const TMemoryStream& stream);
std::string WriteToString(const TBitmap& bitmap);
// Reads the bytes as a BMP file into a new bitmap.
void LoadBmp(TBitmap& bitmap, const std::string& bytes);

// The colour (0x00RRGGBB) of a pixel, decoded from the raw row: indices through the palette,
// 5- and 6-bit channels widened by repeating their bits.
uint32_t ColorAt(TBitmap& bitmap, int32_t x, int32_t y);
// Writes a colour into a px24Bit or px32Bit bitmap.
void SetColor(TBitmap& bitmap, int32_t x, int32_t y, uint32_t color);

}  // namespace quillo::testing
