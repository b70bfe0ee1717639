// A format the library knows by its content but does not decode: loading one is refused with an
// error that names the format, so no empty picture is ever passed off as loaded.
#pragma once

#include "imagelib/reader_graphic.h"

namespace quillo {

inline constexpr char kUndecodedFormatPattern[] =
    "%s images are recognised but cannot be loaded: the format is not supported.";

class TUndecodedGraphic : public TReaderGraphic {
 public:
  // Raises EInvalidGraphic naming the format; the bitmap and the stream stay as they were.
  void LoadFromStream(TStream& stream) override;

 protected:
  // The format's name in the refusal.
  virtual const char* FormatName() const = 0;
};

}  // namespace quillo
