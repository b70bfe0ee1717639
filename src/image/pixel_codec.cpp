#include "image/pixel_codec.h"

#include <bit>
#include <cstring>

namespace quillo {
namespace {

TMasks LayoutMasks(const TBitmapImage& layout) {
  if (layout.device) return kMasks888;
  const uint16_t bits = layout.header.bit_count;
  if (layout.header.compression != kDibBitFields) return bits == 16 ? kMasks555 : kMasks888;
  return layout.masks;
}

}  // namespace

TPixelCodec::Channel::Channel(uint32_t m) : mask(m) {
  if (mask == 0) return;
  shift = std::countr_zero(mask);
  bits = 32 - std::countl_zero(mask) - shift;
  if (bits > 8) return;
  // Narrow channels widen by repeating their bits, so that the largest value becomes 255.
  for (uint32_t v = 0; v < (1u << bits); ++v) {
    uint32_t wide = 0;
    int filled = 0;
    while (filled < 8) {
      wide = wide << bits | v;
      filled += bits;
    }
    widen[v] = static_cast<uint8_t>(wide >> (filled - 8));
  }
}

uint8_t TPixelCodec::Channel::Read(uint32_t word) const {
  const uint32_t v = (word & mask) >> shift;
  return bits <= 8 ? widen[v & 0xFF] : static_cast<uint8_t>(v >> (bits - 8));
}

uint32_t TPixelCodec::Channel::Write(uint8_t value) const {
  if (bits == 0) return 0;
  const uint64_t narrow =
      bits <= 8 ? value >> (8 - bits) : (value * uint64_t{0x0101010101}) >> (40 - bits);
  return static_cast<uint32_t>(narrow << shift) & mask;
}

TPixelCodec::TPixelCodec(const TBitmapImage& layout)
    : bits_(layout.device ? 32 : layout.header.bit_count),
      channels_{Channel(LayoutMasks(layout)[0]), Channel(LayoutMasks(layout)[1]),
                Channel(LayoutMasks(layout)[2])},
      colors_(layout.colors),
      match_count_(layout.defined_colors > 0 ? layout.defined_colors : layout.ColorCount()) {
  const bool fields = !layout.device && layout.header.compression == kDibBitFields;
  if (bits_ <= 8) {
    kind_ = kIndexed;
    for (int i = 0; i < kMaxColors; ++i) {
      table_[i] = MakeColor(colors_[i].red, colors_[i].green, colors_[i].blue);
    }
  } else if (bits_ == 16) {
    kind_ = kWords;
    words_.resize(65536);
    for (uint32_t w = 0; w < 65536; ++w) {
      words_[w] = MakeColor(channels_[0].Read(w), channels_[1].Read(w), channels_[2].Read(w));
    }
  } else if (bits_ == 24) {
    kind_ = kBgr;
  } else {
    kind_ = fields ? kFields : kBgrx;
  }
}

void TPixelCodec::Unpack(const uint8_t* row, int32_t count, uint32_t* colors) const {
  switch (kind_) {
    case kIndexed:
      UnpackIndexed(row, count, colors);
      return;
    case kWords:
      for (int32_t x = 0; x < count; ++x) colors[x] = words_[LoadU16(row + 2 * x)];
      return;
    case kBgr:
      for (int32_t x = 0; x < count; ++x, row += 3) colors[x] = MakeColor(row[2], row[1], row[0]);
      return;
    case kBgrx:
      for (int32_t x = 0; x < count; ++x, row += 4) colors[x] = MakeColor(row[2], row[1], row[0]);
      return;
    case kFields:
      for (int32_t x = 0; x < count; ++x, row += 4) {
        const uint32_t w = LoadU32(row);
        colors[x] = MakeColor(channels_[0].Read(w), channels_[1].Read(w), channels_[2].Read(w));
      }
      return;
  }
}

void TPixelCodec::Pack(const uint32_t* colors, int32_t count, uint8_t* row) {
  switch (kind_) {
    case kIndexed:
      PackIndexed(colors, count, row);
      return;
    case kWords:
    case kFields:
      for (int32_t x = 0; x < count; ++x) {
        const uint32_t c = colors[x];
        const uint32_t w = channels_[0].Write(static_cast<uint8_t>(c >> 16)) |
                           channels_[1].Write(static_cast<uint8_t>(c >> 8)) |
                           channels_[2].Write(static_cast<uint8_t>(c));
        if (kind_ == kWords) {
          StoreU16(row + 2 * x, static_cast<uint16_t>(w));
        } else {
          StoreU32(row + 4 * x, w);
        }
      }
      return;
    case kBgr:
      for (int32_t x = 0; x < count; ++x, row += 3) {
        row[0] = static_cast<uint8_t>(colors[x]);
        row[1] = static_cast<uint8_t>(colors[x] >> 8);
        row[2] = static_cast<uint8_t>(colors[x] >> 16);
      }
      return;
    case kBgrx:
      for (int32_t x = 0; x < count; ++x, row += 4) StoreU32(row, colors[x] & 0xFFFFFF);
      return;
  }
}

void TPixelCodec::UnpackIndexed(const uint8_t* row, int32_t count, uint32_t* colors) const {
  if (bits_ == 8) {
    for (int32_t x = 0; x < count; ++x) colors[x] = table_[row[x]];
    return;
  }
  const int per_byte = 8 / bits_;
  const uint32_t mask = (1u << bits_) - 1;
  for (int32_t x = 0; x < count; ++x) {
    const int shift = 8 - bits_ * (x % per_byte + 1);
    colors[x] = table_[row[x / per_byte] >> shift & mask];
  }
}

void TPixelCodec::PackIndexed(const uint32_t* colors, int32_t count, uint8_t* row) {
  if (!matcher_) matcher_.emplace(colors_, match_count_);
  if (bits_ == 8) {
    for (int32_t x = 0; x < count; ++x) row[x] = matcher_->Nearest(colors[x]);
    return;
  }
  const int per_byte = 8 / bits_;
  const uint32_t mask = (1u << bits_) - 1;
  for (int32_t x = 0; x < count; ++x) {
    const int shift = 8 - bits_ * (x % per_byte + 1);
    uint8_t& byte = row[x / per_byte];
    byte = static_cast<uint8_t>((byte & ~(mask << shift)) | (matcher_->Nearest(colors[x]) & mask)
                                                                << shift);
  }
}

}  // namespace quillo
