// Reads and writes the pixels of one row in any layout a store can hold, as 0x00RRGGBB colours.
// The routine for the layout is chosen once, when the codec is made.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "image/bitmap_image.h"
#include "image/color_matcher.h"

namespace quillo {

class TPixelCodec {
 public:
  explicit TPixelCodec(const TBitmapImage& layout);

  // The colours of the first count pixels of a row.
  void Unpack(const uint8_t* row, int32_t count, uint32_t* colors) const;
  // Writes the colours as the first count pixels of a row. Indexed layouts take the nearest entry
  // of the colour table; the fourth byte of 32-bit pixels is 0.
  void Pack(const uint32_t* colors, int32_t count, uint8_t* row);

 private:
  enum Kind : uint8_t { kIndexed, kWords, kBgr, kBgrx, kFields };

  // One colour channel of a bit-field layout.
  struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    std::array<uint8_t, 256> widen{};  // for channels of up to 8 bits

    explicit Channel(uint32_t m);
    uint8_t Read(uint32_t word) const;
    uint32_t Write(uint8_t value) const;
  };

  void UnpackIndexed(const uint8_t* row, int32_t count, uint32_t* colors) const;
  void PackIndexed(const uint32_t* colors, int32_t count, uint8_t* row);

  Kind kind_;
  int bits_;
  std::array<Channel, 3> channels_;
  std::array<uint32_t, kMaxColors> table_{};
  TColorTable colors_;
  int match_count_;
  std::vector<uint32_t> words_;           // the colour of every 16-bit pixel value
  std::optional<TColorMatcher> matcher_;  // made on the first indexed write
};

}  // namespace quillo
