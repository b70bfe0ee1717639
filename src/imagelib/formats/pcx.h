// ZSoft Paintbrush images, recognised by their 128-byte header.
#pragma once

#include "imagelib/formats/undecoded_graphic.h"

namespace quillo {

class TPCXGraphic : public TUndecodedGraphic {
 public:
  static constexpr char kClassName[] = "TPCXGraphic";
  const char* ClassName() const override { return kClassName; }
  // Marker byte 10, a known version and encoding, a depth of 1 to 8 bits in 1 to 4 planes, an
  // upright window and row length that hold the pixels.
  static bool CanLoadStream(TStream& stream);

 protected:
  const char* FormatName() const override { return "PCX"; }
};

}  // namespace quillo
