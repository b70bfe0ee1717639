// Paintshop Pro images, recognised by their 32-byte signature.
#pragma once

#include "imagelib/formats/undecoded_graphic.h"

namespace quillo {

class TPSPGraphic : public TUndecodedGraphic {
 public:
  static constexpr char kClassName[] = "TPSPGraphic";
  const char* ClassName() const override { return kClassName; }
  // The signature text with its end-of-file mark and zero padding, and a major version from 1
  // to 20.
  static bool CanLoadStream(TStream& stream);

 protected:
  const char* FormatName() const override { return "Paintshop Pro"; }
};

}  // namespace quillo
