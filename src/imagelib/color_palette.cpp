// TColorManager: the palettes it builds for indexed and gray pictures.

#include <algorithm>

#include "imagelib/bit_fields.h"
#include "imagelib/color_manager.h"
#include "platform/errors.h"

namespace quillo {

TPaletteRef TColorManager::MakeGrayPalette(bool min_is_white) const {
  const unsigned bits = std::min(StoredFieldBits(target_bits_) * target_samples_, 8u);
  const unsigned count = 1u << bits;
  const unsigned step = 255 / (count - 1);
  std::vector<TPaletteEntry> entries(count);
  for (unsigned i = 0; i < count; ++i) {
    auto gray = static_cast<uint8_t>(i * step);
    if (target_options_ & opGamma) gray = context_.gamma[gray];
    entries[min_is_white ? count - 1 - i : i] = {gray, gray, gray};
  }
  return MakePalette(std::move(entries));
}

TPaletteRef TColorManager::MakeColorPalette(std::span<const uint8_t* const> planes,
                                            TRawPaletteFormat format, int count,
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
      const uint8_t* p = planes[plane] + 2 * index;
      v = swap ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]);
      v = MulDiv16(v, 255, 65535);
    } else {
      v = planes[plane][index];
    }
    return gamma ? context_.gamma[v] : static_cast<uint8_t>(v);
  };
  // Byte groups run red to blue unless reversed; word groups the other way round.
  const bool red_first = words == reversed;
  const auto entry = [&](size_t index) -> TPaletteEntry {
    if (planar) return {value(0, index), value(1, index), value(2, index)};
    const size_t first = index * group;
    const uint8_t a = value(0, first), g = value(0, first + 1), b = value(0, first + 2);
    return red_first ? TPaletteEntry{a, g, b} : TPaletteEntry{b, g, a};
  };

  const size_t available = count > 0 ? static_cast<size_t>(count) : 0;
  std::vector<TPaletteEntry> entries;
  if (target_bits_ <= 8 && source_bits_ != target_bits_) {
    // Entry i takes the colour the source depth's index scaled to i stands for; an index the
    // data does not reach is black.
    const uint32_t size = 1u << target_bits_;
    entries.resize(size);
    for (uint32_t i = 0; i < size; ++i) {
      const size_t from = MulDiv16(i, MaxFieldValue(source_bits_), MaxFieldValue(target_bits_));
      if (from < available) entries[i] = entry(from);
    }
  } else {
    entries.resize(std::min<size_t>(available, 256));
    for (size_t i = 0; i < entries.size(); ++i) entries[i] = entry(i);
  }
  return MakePalette(std::move(entries));
}

}  // namespace quillo
