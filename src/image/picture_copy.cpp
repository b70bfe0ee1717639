#include "image/picture_copy.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "image/pixel_codec.h"

namespace quillo {
namespace {

struct Layout {
  uint16_t bits;
  bool fields;
  TMasks masks;
};

Layout LayoutOf(const TBitmapImage& image) {
  if (image.device) return {kDeviceBitsPerPixel, false, {}};
  const bool fields = image.header.compression == kDibBitFields;
  return {image.header.bit_count, fields, fields ? image.masks : TMasks{}};
}

// Pixels can move bit for bit when both stores lay them out alike and mean the same colours.
bool SameLayout(const TBitmapImage& a, const TBitmapImage& b) {
  const Layout la = LayoutOf(a);
  const Layout lb = LayoutOf(b);
  if (la.bits != lb.bits || la.fields != lb.fields || la.masks != lb.masks) return false;
  if (la.bits > 8) return true;
  return std::equal(a.colors.begin(), a.colors.begin() + a.ColorCount(), b.colors.begin());
}

// Copies the first count pixels of a row of the given depth, keeping the target's other bits.
void CopyPixelBits(const uint8_t* from, uint8_t* to, int64_t count, int bits) {
  const int64_t total_bits = count * bits;
  const auto whole = static_cast<size_t>(total_bits / 8);
  std::memcpy(to, from, whole);
  const int rest = static_cast<int>(total_bits % 8);
  if (rest == 0) return;
  const auto keep = static_cast<uint8_t>(0xFF << (8 - rest));
  to[whole] = static_cast<uint8_t>((from[whole] & keep) | (to[whole] & ~keep));
}

// One row of white pixels in the store's layout.
std::vector<uint8_t> WhiteRow(const TBitmapImage& to, TPixelCodec& codec) {
  const std::vector<uint32_t> colors(static_cast<size_t>(to.Width()), kWhite);
  std::vector<uint8_t> row(static_cast<size_t>(to.Stride()));
  codec.Pack(colors.data(), to.Width(), row.data());
  return row;
}

}  // namespace

void CopyPicture(const TBitmapImage& from, TBitmapImage& to) {
  const int32_t width = to.Width();
  const int32_t height = to.Height();
  const auto stride = static_cast<size_t>(to.Stride());
  TPixelCodec target(to);

  std::vector<uint32_t> colors(static_cast<size_t>(width));
  const std::vector<uint8_t> white_row = WhiteRow(to, target);

  const int32_t rows = from.Empty() ? 0 : std::min(from.Height(), height);
  const int32_t columns = std::min(from.Width(), width);
  const bool same = SameLayout(from, to);
  std::optional<TPixelCodec> source;
  if (rows > 0 && !same) source.emplace(from);

  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = to.Row(y);
    if (y >= rows) {
      std::memcpy(row, white_row.data(), stride);
    } else if (same) {
      if (columns < width) std::memcpy(row, white_row.data(), stride);
      CopyPixelBits(from.Row(y), row, columns, LayoutOf(to).bits);
    } else {
      source->Unpack(from.Row(y), columns, colors.data());
      target.Pack(colors.data(), width, row);
    }
  }
}

void PaintRowsWhite(TBitmapImage& to, int32_t first_row) {
  if (to.Empty() || first_row >= to.Height()) return;
  TPixelCodec codec(to);
  const std::vector<uint8_t> white_row = WhiteRow(to, codec);
  for (int32_t y = std::max(first_row, 0); y < to.Height(); ++y) {
    std::memcpy(to.Row(y), white_row.data(), white_row.size());
  }
}

}  // namespace quillo
