#include "support/png_test_support.h"

#include <gtest/gtest.h>
#include <png.h>

namespace quillo::testing {
namespace {

int Channels(int color_type) {
  switch (color_type) {
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    case PNG_COLOR_TYPE_RGB:
      return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return 4;
    default:
      return 1;
  }
}

void Append(png_structp png, png_bytep data, size_t count) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), count);
}

void Flush(png_structp) {}

// Holds only what may be left by longjmp: the caller owns everything else.
bool WriteSite(png_structp png, png_infop info, const PngLayout* layout, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, layout->width, layout->height, layout->bit_depth, layout->color_type,
               layout->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!layout->palette.empty()) {
    png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(layout->palette.data()),
                 static_cast<int>(layout->palette.size() / 3));
  }
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, info);
  return true;
}

}  // namespace

size_t PngRowBytes(const PngLayout& layout) {
  return (size_t{layout.width} * Channels(layout.color_type) * layout.bit_depth + 7) / 8;
}

std::vector<std::vector<uint8_t>> PngSampleRows(const PngLayout& layout, uint32_t seed) {
  std::vector<std::vector<uint8_t>> rows(layout.height, std::vector<uint8_t>(PngRowBytes(layout)));
  const size_t entries = layout.palette.size() / 3;
  const int per_byte = layout.bit_depth < 8 ? 8 / layout.bit_depth : 1;
  uint32_t state = seed * 2654435761u + 12345;
  for (auto& row : rows) {
    for (auto& byte : row) {
      state = state * 1103515245u + 12345;
      byte = static_cast<uint8_t>(state >> 16);
      if (layout.color_type != PNG_COLOR_TYPE_PALETTE) continue;
      // Every packed index is taken modulo the palette's size.
      uint8_t packed = 0;
      for (int i = 0; i < per_byte; ++i) {
        const int shift = 8 - layout.bit_depth * (i + 1);
        const int mask = (1 << std::min(layout.bit_depth, 8)) - 1;
        const auto index = static_cast<uint8_t>(((byte >> shift) & mask) % entries);
        packed |= static_cast<uint8_t>(index << shift);
      }
      byte = packed;
    }
  }
  return rows;
}

std::string WritePng(const PngLayout& layout, const std::vector<std::vector<uint8_t>>& rows) {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, Append, Flush);
  std::vector<png_bytep> pointers;
  for (const auto& row : rows) pointers.push_back(const_cast<png_bytep>(row.data()));
  if (!WriteSite(png, info, &layout, pointers.data())) ADD_FAILURE() << "libpng could not write";
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace quillo::testing
