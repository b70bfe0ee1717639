// Dr. Halo CUT images, recognised by their header and first run-length row.
#pragma once

#include "imagelib/formats/undecoded_graphic.h"

namespace quillo {

class TCUTGraphic : public TUndecodedGraphic {
 public:
  static constexpr char kClassName[] = "TCUTGraphic";
  const char* ClassName() const override { return kClassName; }
  // A size, the reserved word 0, and a first row whose runs fill exactly its width and end with the
  // end-of-row mark inside the row's byte count.
  static bool CanLoadStream(TStream& stream);

 protected:
  const char* FormatName() const override { return "Dr. Halo CUT"; }
};

}  // namespace quillo
