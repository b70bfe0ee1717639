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
  // Palette images keep their palette (2-bit indices widen to 8 bits); gray images load as
  // 1-, 4- or 8-bit grays, colour as 24-bit. Damage raises EInvalidGraphic with
  // kInvalidPngPattern and libpng's reason, and leaves the bitmap empty.
  void LoadFromStream(TStream& stream) override;
};

}  // namespace quillo
