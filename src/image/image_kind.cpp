#include "image/image_kind.h"

#include <string>

#include "platform/path.h"
#include "platform/text_compare.h"

namespace quillo {

TImageKind GetImageKind(std::string_view path) {
  const std::string extension = UpperCase(ExtractFileExt(path));
  if (extension == ".BMP") return ikBmp;
  if (extension == ".JPG" || extension == ".JPEG") return ikJpeg;
  if (extension == ".TIF" || extension == ".TIFF") return ikTiff;
  return ikUnknown;
}

}  // namespace quillo
