// SGI images, recognised by their header.
#pragma once

#include "imagelib/formats/undecoded_graphic.h"

namespace quillo {

class TSGIGraphic : public TUndecodedGraphic {
 public:
  static constexpr char kClassName[] = "TSGIGraphic";
  const char* ClassName() const override { return kClassName; }
  // The magic number 474, a storage kind, 1 or 2 bytes per channel, 1 to 3 dimensions, a size and a
  // known colour-map kind.
  static bool CanLoadStream(TStream& stream);

 protected:
  const char* FormatName() const override { return "SGI"; }
};

}  // namespace quillo
