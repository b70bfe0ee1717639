// The pixel colour layouts the readers describe their samples with, in their fixed order.
#pragma once

#include <cstdint>

namespace quillo {

enum ColorModel : uint8_t {
  cmUnknown,
  cmIndexed,
  cmGray,
  cmGrayAlpha,
  cmRGB,
  cmRGBA,
  cmBGR,
  cmBGRA,
  cmCMY,
  cmCMYK,
  cmCIELab,
  cmYCbCr,
  cmPhotoYCC,
};

}  // namespace quillo
