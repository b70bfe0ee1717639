// Portable bitmaps, gray maps and pixel maps (P1 to P6), plain and raw, with samples of up to
// 16 bits.
#pragma once

#include <cstdint>

#include "imagelib/reader_graphic.h"

namespace quillo {

inline constexpr char kInvalidPortableMapMessage[] = "Invalid portable map image.";

class TPPMGraphic : public TReaderGraphic {
 public:
  static constexpr char kClassName[] = "TPPMGraphic";
  const char* ClassName() const override { return kClassName; }

  // "P1" to "P6" followed by white space or a comment, then (when within reach) a digit.
  static bool CanLoadStream(TStream& stream);
  // Reads the header: FormatVersion is the kind's digit, 1-bit maps are MinIsWhite grays.
  bool ReadProperties(TStream& stream, uint32_t image_index) override;
  // Bitmaps load as 1-bit pictures, gray maps as 8-bit grays, pixel maps as 24-bit colour,
  // through the colour converter; samples of other maxima than 255 and 65535 are first scaled
  // to 255, rounded. Damage raises EInvalidGraphic with
  // kInvalidPortableMapMessage and leaves the bitmap empty.
  void LoadFromStream(TStream& stream) override;

 private:
  void ReadPixels(TStream& stream);

  uint32_t max_value_ = 0;
  int64_t data_position_ = 0;  // where the samples begin
};

}  // namespace quillo
