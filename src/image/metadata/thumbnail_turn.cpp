#include "image/metadata/thumbnail_turn.h"

#include <vector>

#include "image/bitmap.h"
#include "image/jpeg_image.h"
#include "platform/errors.h"
#include "platform/stream.h"

namespace quillo {

std::optional<std::string> TurnedThumbnail(std::string_view jpeg, TPictureTurn turn) {
  try {
    TMemoryStream source(std::vector<uint8_t>(jpeg.begin(), jpeg.end()));
    TJPEGImage image;
    image.LoadFromStream(source);
    TBitmap bitmap;
    bitmap.SetPixelFormat(px24Bit);
    bitmap.AssignFrom(&image);
    bitmap.SetPixelFormat(px24Bit);
    TurnBitmap(bitmap, turn);
    image.AssignFrom(&bitmap);
    TMemoryStream encoded;
    image.SaveToStream(encoded);
    return std::string(reinterpret_cast<const char*>(encoded.Memory()), encoded.Bytes().size());
  } catch (const Exception&) {
    return std::nullopt;
  }
}

}  // namespace quillo
