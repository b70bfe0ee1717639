// Portable network graphics, read through libpng: every colour type and depth, interlaced or
// not, narrowed to 8-bit samples with the transparency dropped.
#pragma once

#include "imagelib/reader_graphic.h"

namespace quillo {

inline constexpr char kInvalidPngPattern[] = "Invalid PNG image: %s.";

class TPNGGraphic : public TReaderGraphic {
 public:
  static constexpr char kClassName[] = "TPNGGraphic";
  const char* ClassName() const override { return kClassName; }

  // The eight-byte signature followed by the 13-byte IHDR chunk's length and type.
  static bool CanLoadStream(TStream& stream);
  bool ReadProperties(TStream& stream, uint32_t image_index) override;
  // Rows go through the colour converter: palette images keep their palette and depth (2-bit
  // pixels in 4-bit ones), grays load as 1-, 4- or 8-bit grays, colour as 24-bit; interlaced
  // passes fill their own pixels of each row. Damage raises EInvalidGraphic with
  // kInvalidPngPattern and libpng's reason, and leaves the bitmap empty.
  void LoadFromStream(TStream& stream) override;
};

}  // namespace quillo
