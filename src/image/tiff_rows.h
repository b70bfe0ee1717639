// The rows of an uncompressed TIFF strip, made one at a time from the rows of a bitmap's DIB
// export: indexed rows cut to their pixels, every other depth turned into 8-bit red, green, blue.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "image/bitmap_image.h"
#include "image/pixel_codec.h"

namespace quillo {

class TTiffRowMaker {
 public:
  // For the exported header `info` of the store `image` (whose codec reads 16-bit and bit-field
  // rows).
  TTiffRowMaker(const TBitmapImage& image, const TBitmapInfoHeader& info);

  // Bytes of one TIFF row: (width × bits + 7) div 8 for indexed rows, width × 3 otherwise.
  int64_t RowBytes() const { return row_bytes_; }
  // Writes the TIFF row made from one exported row into out, RowBytes() bytes.
  void Make(const uint8_t* row, uint8_t* out);

 private:
  enum Kind : uint8_t { kIndexed, kBgr, kBgrx, kDecoded };

  Kind kind_;
  int32_t width_;
  int64_t row_bytes_;
  uint8_t last_byte_mask_;  // the bits of an indexed row's last byte that hold pixels
  std::optional<TPixelCodec> codec_;
  std::vector<uint32_t> colors_;  // one decoded row
};

}  // namespace quillo
