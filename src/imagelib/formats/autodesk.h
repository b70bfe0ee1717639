// Autodesk Animator cel and picture images, recognised by their 32-byte header.
#pragma once

#include "imagelib/formats/undecoded_graphic.h"

namespace quillo {

class TAutodeskGraphic : public TUndecodedGraphic {
 public:
  static constexpr char kClassName[] = "TAutodeskGraphic";
  const char* ClassName() const override { return kClassName; }
  // The magic number 0x9119, a size, 8 bits per pixel, no compression and a data size of width
  // times height.
  static bool CanLoadStream(TStream& stream);

 protected:
  const char* FormatName() const override { return "Autodesk"; }
};

}  // namespace quillo
