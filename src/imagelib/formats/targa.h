// Truevision Targa images, recognised by their 18-byte header.
#pragma once

#include "imagelib/formats/undecoded_graphic.h"

namespace quillo {

class TTargaGraphic : public TUndecodedGraphic {
 public:
  static constexpr char kClassName[] = "TTargaGraphic";
  const char* ClassName() const override { return kClassName; }
  // A plausible header: colour-map type 0 or 1, a known image type with a depth that suits it, and
  // a size.
  static bool CanLoadStream(TStream& stream);

 protected:
  const char* FormatName() const override { return "Targa"; }
};

}  // namespace quillo
