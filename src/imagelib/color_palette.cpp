// TColorManager: the palettes it builds for indexed and gray pictures.

#include <algorithm>

#include "imagelib/bit_fields.h"
#include "imagelib/color_manager.h"
#include "platform/errors.h"

namespace quillo {

TPaletteRef TColorManager::MakeGrayPalette(bool min_is_white) const {
  const unsigned bits = std::min(unsigned{target_bits_} * target_samples_, 8u);
  const unsigned count = 1u << bits;
  const unsigned max = count - 1;
  std::vector<TPaletteEntry> entries(count);
  for (unsigned i = 0; i < count; ++i) {
    // i × 255 ÷ max, rounded.
    auto gray = static_cast<uint8_t>((i * 510 + max) / (2 * max));
    if (target_options_ & opGamma) gray = context_.gamma[gray];
    entries[min_is_white ? max - i : i] = {gray, gray, gray};
  }
  return MakePalette(std::move(entries));
}

std::vector<TPaletteEntry> TColorManager::PaletteColors(std::span<const uint8_t* const> planes,
                                                        TRawPaletteFormat format, size_t count,
                                                        bool reversed) const {
  const bool words = format >= rpWords3;
  const bool planar = format == rpBytePlanes3 || format == rpBytePlanes4 ||
                      format == rpWordPlanes3 || format == rpWordPlanes4;
  if (planes.size() < (planar ? 3u : 1u)) throw EColorConversionError(kSampleCountMessage);
  const size_t group = format == rpBytes4 || format == rpWords4 ? 4 : 3;
  const bool swap = (source_options_ & opSwapBytes) != 0;
  const bool gamma = (target_options_ & opGamma) != 0;
  const auto value = [&](size_t plane, size_t index) {
    uint32_t v;
    if (words) {
      // The high byte of a 16-bit colour, as colour maps are read everywhere.
      const uint8_t* p = planes[plane] + 2 * index;
      v = swap ? p[0] : p[1];
    } else {
      v = planes[plane][index];
    }
    return gamma ? context_.gamma[v] : static_cast<uint8_t>(v);
  };
  // Byte groups run red to blue unless reversed; word groups the other way round.
  const bool red_first = words == reversed;
  std::vector<TPaletteEntry> colors(count);
  for (size_t index = 0; index < count; ++index) {
    if (planar) {
      colors[index] = {value(0, index), value(1, index), value(2, index)};
      continue;
    }
    const size_t first = index * group;
    const uint8_t a = value(0, first), g = value(0, first + 1), b = value(0, first + 2);
    colors[index] = red_first ? TPaletteEntry{a, g, b} : TPaletteEntry{b, g, a};
  }
  return colors;
}

TPaletteRef TColorManager::MakeColorPalette(std::span<const uint8_t* const> planes,
                                            TRawPaletteFormat format, int count,
                                            bool reversed) const {
  const size_t available = count > 0 ? static_cast<size_t>(count) : 0;
  if (target_bits_ >= source_bits_ || target_bits_ > 8) {
    return MakePalette(PaletteColors(planes, format, std::min<size_t>(available, 256), reversed));
  }
  // A shallower target: entry i takes the colour the source depth's index scaled to i stands
  // for; an index the data does not reach is black.
  const std::vector<TPaletteEntry> colors = PaletteColors(planes, format, available, reversed);
  const uint32_t size = 1u << target_bits_;
  std::vector<TPaletteEntry> entries(size);
  for (uint32_t i = 0; i < size; ++i) {
    const size_t from = MulDiv16(i, MaxFieldValue(source_bits_), MaxFieldValue(target_bits_));
    if (from < available) entries[i] = colors[from];
  }
  return MakePalette(std::move(entries));
}

void TColorManager::SetColorMap(std::span<const uint8_t* const> planes, TRawPaletteFormat format,
                                int count) {
  context_.color_map = PaletteColors(planes, format, count > 0 ? size_t(count) : 0, false);
}

}  // namespace quillo
