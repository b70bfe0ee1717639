// PNG file images written by libpng for the reader tests, from rows in the file's own layout.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillo::testing {

struct PngLayout {
  uint32_t width = 1;
  uint32_t height = 1;
  int bit_depth = 8;
  int color_type = 0;  // libpng's PNG_COLOR_TYPE_* values
  bool interlaced = false;
  std::vector<uint8_t> palette = {};  // red, green, blue per entry
};

// Bytes of one packed row of the layout, most significant bits first, 16-bit samples big-endian.
size_t PngRowBytes(const PngLayout& layout);
// Rows of varied samples; palette indices stay below the palette's size.
std::vector<std::vector<uint8_t>> PngSampleRows(const PngLayout& layout, uint32_t seed = 1);
std::string WritePng(const PngLayout& layout, const std::vector<std::vector<uint8_t>>& rows);

}  // namespace quillo::testing
