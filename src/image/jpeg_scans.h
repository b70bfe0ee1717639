// Counting the scans of a JPEG file in its bytes, so that a file of endless scans is refused
// before its pixels cost time: every scan is decoded in full, and real files have a dozen at most.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillo {

inline constexpr int kMaxJpegScans = 1000;
inline constexpr char kTooManyScansMessage[] = "JPEG file has too many scans (more than 1000)";

// The start-of-scan markers in the file, counted until the end of the image, the end of the
// bytes or one past `limit`. Marker segments are skipped by their lengths and coded data up to
// the next marker, as a decoder reads them.
int CountJpegScans(const uint8_t* bytes, size_t size, int limit);

// Throws EJPEG (kTooManyScansMessage) when the file has more than kMaxJpegScans scans.
void CheckJpegScans(const uint8_t* bytes, size_t size);

}  // namespace quillo
