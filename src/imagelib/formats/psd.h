// Photoshop images, recognised by their 26-byte file header.
#pragma once

#include "imagelib/formats/undecoded_graphic.h"

namespace quillo {

class TPSDGraphic : public TUndecodedGraphic {
 public:
  static constexpr char kClassName[] = "TPSDGraphic";
  const char* ClassName() const override { return kClassName; }
  // The signature "8BPS", version 1, zero reserved bytes, and channel count, size, depth and colour
  // mode in their allowed ranges.
  static bool CanLoadStream(TStream& stream);

 protected:
  const char* FormatName() const override { return "Photoshop"; }
};

}  // namespace quillo
