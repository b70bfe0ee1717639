#include "image/image_limits.h"

#include <algorithm>

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

bool HoldsDataFor(int64_t store_bytes, int64_t file_bytes) {
  if (store_bytes <= kSmallStoreBytes) return true;
  // Any store fits 2^40 bytes of file; the clamp keeps the product in range.
  return store_bytes <= kMaxStorePerFileByte * std::clamp<int64_t>(file_bytes, 0, int64_t{1} << 40);
}

void CheckDataFor(int64_t width, int64_t height, int64_t bits_per_pixel, int64_t file_bytes) {
  if (!HoldsDataFor(RowStride(width, bits_per_pixel) * height, file_bytes)) {
    throw EInvalidGraphic(kTooLittleDataMessage);
  }
}

}  // namespace quillo
