#include "image/image_limits.h"

#include "platform/errors.h"

namespace quillo {
bool FitsStoreLimits(int64_t width, int64_t height, int64_t bits_per_pixel) {
  if (width < 0 || height < 0 || width > kMaxPixels || height > kMaxPixels) return false;
  return width * height <= kMaxPixels &&
         RowStride(width, bits_per_pixel) * height <= kMaxStoreBytes;
}

size_t CheckedSize(uint64_t count, uint64_t element_size, const char* message) {
  const auto limit = static_cast<uint64_t>(kMaxStoreBytes);
  if (element_size != 0 && count > limit / element_size) throw EInvalidGraphic(message);
  return static_cast<size_t>(count * element_size);
}

}  // namespace quillo
