// The limits every picture store obeys, and the one size check that every reader makes before it
// allocates anything whose size comes from a file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillo {

// A picture may claim at most 2^28 pixels and 1 GiB of pixel store.
inline constexpr int64_t kMaxPixels = int64_t{1} << 28;
inline constexpr int64_t kMaxStoreBytes = int64_t{1} << 30;

// Bytes per row: the row's bits rounded up to whole 32-bit words. Computed in 64 bits.
constexpr int64_t RowStride(int64_t width, int64_t bits_per_pixel) {
  return ((width * bits_per_pixel + 31) & ~int64_t{31}) / 8;
}

// Whether a picture of this size and depth stays within the store limits.
bool FitsStoreLimits(int64_t width, int64_t height, int64_t bits_per_pixel);

inline constexpr char kImageTooLargeMessage[] = "Image is too large.";

// A picture store claimed by a file far smaller than any real coding of it could be: more than
// kMaxStorePerFileByte times the file's size, and more than kSmallStoreBytes, which any file may
// claim. Real codings stay orders of magnitude below that ratio.
inline constexpr int64_t kMaxStorePerFileByte = 10000;
inline constexpr int64_t kSmallStoreBytes = int64_t{64} << 20;
inline constexpr char kTooLittleDataMessage[] =
    "the file holds too little data for its picture size";

// Whether a file of file_bytes can hold a picture whose store takes store_bytes.
bool HoldsDataFor(int64_t store_bytes, int64_t file_bytes);
// Throws EInvalidGraphic (kTooLittleDataMessage) when the file cannot hold the picture's data.
void CheckDataFor(int64_t width, int64_t height, int64_t bits_per_pixel, int64_t file_bytes);

// count × element_size in 64 bits. A product beyond the store limit throws EInvalidGraphic with
// the reader's own message, so no buffer is ever sized by an unchecked product of file values.
size_t CheckedSize(uint64_t count, uint64_t element_size,
                   const char* message = kImageTooLargeMessage);

}  // namespace quillo
