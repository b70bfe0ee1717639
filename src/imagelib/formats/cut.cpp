#include "imagelib/formats/cut.h"

#include <vector>

#include "image/byte_order.h"

namespace quillo {
namespace {

constexpr int kHeaderSize = 6;

// Whether the run-length row fills exactly width pixels and ends with its end mark.
bool RowFits(const uint8_t* row, size_t size, uint32_t width) {
  uint32_t pixels = 0;
  for (size_t i = 0; i < size;) {
    const uint8_t run = row[i++];
    const uint32_t count = run & 0x7F;
    if (count == 0) return pixels == width;
    pixels += count;
    i += run & 0x80 ? 1 : count;
    if (pixels > width || i > size) return false;
  }
  return false;
}

}  // namespace

bool TCUTGraphic::CanLoadStream(TStream& stream) {
  uint8_t h[kHeaderSize + 2];
  if (PeekBytes(stream, h, sizeof h) < static_cast<int64_t>(sizeof h)) return false;
  const uint16_t width = LoadU16(h);
  const uint16_t row_size = LoadU16(h + kHeaderSize);
  // At worst every pixel is a run of its own (two bytes), then the end mark.
  const uint32_t longest_row = 2 * uint32_t{width} + 1;
  if (width == 0 || LoadU16(h + 2) == 0 || LoadU16(h + 4) != 0 || row_size == 0 ||
      row_size > longest_row) {
    return false;
  }
  std::vector<uint8_t> bytes(sizeof h + row_size);
  if (PeekBytes(stream, bytes.data(), static_cast<int64_t>(bytes.size())) <
      static_cast<int64_t>(bytes.size())) {
    return false;
  }
  return RowFits(bytes.data() + sizeof h, row_size, width);
}

}  // namespace quillo
