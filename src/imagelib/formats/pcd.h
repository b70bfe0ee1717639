// Kodak Photo-CD image packs, recognised by their image-pack mark.
#pragma once

#include "imagelib/formats/undecoded_graphic.h"

namespace quillo {

class TPCDGraphic : public TUndecodedGraphic {
 public:
  static constexpr char kClassName[] = "TPCDGraphic";
  const char* ClassName() const override { return kClassName; }
  // The mark "PCD_IPI" at byte 2048.
  static bool CanLoadStream(TStream& stream);

 protected:
  const char* FormatName() const override { return "Photo-CD"; }
};

}  // namespace quillo
