// The pixel store of a bitmap, shared between bitmaps by reference count. It always carries a
// description (header, masks, colour table) and, unless the bitmap is empty, the pixel rows.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "image/dib.h"
#include "image/palette.h"
#include "image/pixel_buffer.h"
#include "image/pixel_format.h"
#include "image/shared_image.h"

namespace quillo {

class TBitmapImage : public TSharedImage {
 public:
  // A device-format store. Its rows are laid out as a 32-bit uncompressed DIB's would be, so
  // turning it into a DIB needs no pixel to move.
  bool device = true;
  TBitmapInfoHeader header{.bit_count = kDeviceBitsPerPixel};
  TMasks masks{};  // with bit fields: never all 0
  // 2^bits entries for indexed formats; the first defined_colors hold real colours.
  TColorTable colors{};
  int defined_colors = 0;
  TPaletteRef palette;
  bool halftone = false;  // the palette is the halftone one
  TPixelBuffer pixels;
  // The complete bytes of a run-length BMP file, kept until the pixels change.
  std::vector<uint8_t> file_bytes;
  bool os2 = false;  // read with the 12-byte core header

  TPixelFormat PixelFormat() const;
  bool Empty() const { return !pixels; }
  int32_t Width() const { return header.width; }
  int32_t Height() const { return std::abs(header.height); }
  bool BottomUp() const { return header.height > 0; }
  bool Indexed() const { return !device && header.bit_count <= 8; }
  // Entries of the colour table: 2^bits for indexed formats, else 0.
  int ColorCount() const { return Indexed() ? 1 << header.bit_count : 0; }
  int64_t Stride() const { return RowStride(header.width, header.bit_count); }
  int64_t ImageSize() const { return Stride() * Height(); }

  // Gives the store zero-filled rows for its description and records their size in the header.
  void AllocatePixels();
  // Picture row y, 0 being the top row, whatever the order of rows in memory.
  uint8_t* Row(int32_t y) { return pixels.Data() + StoredRow(y) * Stride(); }
  const uint8_t* Row(int32_t y) const { return pixels.Data() + StoredRow(y) * Stride(); }

 private:
  int64_t StoredRow(int32_t y) const { return BottomUp() ? Height() - 1 - y : y; }
};

}  // namespace quillo
