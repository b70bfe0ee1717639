// Encapsulated PostScript files, recognised by their binary preview header or their first comment
// line.
#pragma once

#include "imagelib/formats/undecoded_graphic.h"

namespace quillo {

class TEPSGraphic : public TUndecodedGraphic {
 public:
  static constexpr char kClassName[] = "TEPSGraphic";
  const char* ClassName() const override { return kClassName; }
  // The binary header's magic number with a PostScript section after the header, or a first line
  // "%!PS-Adobe-n.n EPSF-n.n".
  static bool CanLoadStream(TStream& stream);

 protected:
  const char* FormatName() const override { return "EPS"; }
};

}  // namespace quillo
