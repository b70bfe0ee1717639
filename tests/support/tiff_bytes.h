// TIFF files built byte by byte, for directories and damage no writer would produce.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillo::testing {

class TiffBytes {
 public:
  explicit TiffBytes(bool big_endian = false);

  // Appends bytes after the header and returns their offset.
  uint32_t Data(const std::vector<uint8_t>& bytes);
  uint32_t Words(const std::vector<uint16_t>& values);
  uint32_t Longs(const std::vector<uint32_t>& values);

  // An entry whose value field holds the four bytes given, as stored.
  TiffBytes& Field(uint16_t tag, uint16_t type, uint32_t count, std::vector<uint8_t> field);
  // An entry whose value field is one 32-bit number (an offset or a LONG).
  TiffBytes& Entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t value);
  TiffBytes& Short(uint16_t tag, uint16_t value);
  TiffBytes& Long(uint16_t tag, uint32_t value);
  // Values stored in the file's order at the first bytes of the value field.
  TiffBytes& ShortsInField(uint16_t tag, uint16_t first, uint16_t second);

  // The header, the data and the directory behind them (entries in the order given).
  std::string File() const;

 private:
  void Put16(std::vector<uint8_t>& out, uint16_t v) const;
  void Put32(std::vector<uint8_t>& out, uint32_t v) const;

  bool big_endian_;
  std::vector<uint8_t> data_;
  std::vector<std::vector<uint8_t>> entries_;
};

// A 16 x 16 TIFF file of one JPEG-coded YCbCr strip cut inside its coded data: a reader warns
// and loads what is there.
std::string JpegStripThatEndsEarly(uint32_t seed = 1);

}  // namespace quillo::testing
