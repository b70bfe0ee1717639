#include "imagelib/formats/undecoded_graphic.h"

namespace quillo {

void TUndecodedGraphic::LoadFromStream(TStream&) {
  RaiseGraphicErrorFmt(kUndecodedFormatPattern, {FormatName()});
}

}  // namespace quillo
