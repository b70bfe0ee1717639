// Feeds arbitrary bytes, as the TIFF structure of the EXIF block of a JPEG header, to the reading
// of the orientation and to the upright rewrite with its thumbnail turn. Either raises our error
// or gives a header whose orientation reads as 1 and whose other bytes are the ones it had.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "image/lossless/exif_upright.h"
#include "image/lossless/jpeg_turn.h"
#include "platform/errors.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillo;
  const std::string payload =
      std::string("Exif\0\0", 6) +
      std::string(reinterpret_cast<const char*>(data), std::min<size_t>(size, 65000));
  const size_t length = payload.size() + 2;
  const std::string end_of_image = "\xff\xd9";
  const std::string jpeg = std::string("\xff\xd8\xff\xe1") + static_cast<char>(length >> 8) +
                           static_cast<char>(length & 0xFF) + payload + end_of_image;
  try {
    const int orientation = ExifOrientation(jpeg);
    Check(orientation >= 1 && orientation <= 8);
    const std::string upright = UprightExif(
        jpeg, [](std::string_view thumbnail) { return TurnJpeg(thumbnail, ptRotate90).bytes; });
    Check(upright.starts_with("\xff\xd8\xff\xe1") && upright.ends_with(end_of_image));
    Check(ExifOrientation(upright) == 1);
  } catch (const Exception&) {
    return 0;
  }
  return 0;
}
