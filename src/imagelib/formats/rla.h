// Alias/Wavefront run-length images, recognised by their 740-byte header.
#pragma once

#include "imagelib/formats/undecoded_graphic.h"

namespace quillo {

class TRLAGraphic : public TUndecodedGraphic {
 public:
  static constexpr char kClassName[] = "TRLAGraphic";
  const char* ClassName() const override { return kClassName; }
  // The revision mark of the format's current header, upright windows and a plausible channel
  // count.
  static bool CanLoadStream(TStream& stream);

 protected:
  const char* FormatName() const override { return "RLA"; }
};

}  // namespace quillo
