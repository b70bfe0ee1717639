#include "imagelib/tiff/tiff_predictor.h"

#include "image/byte_order.h"

namespace quillo {
namespace {

// The running sums of the usual pixel sizes stay in registers.
template <uint32_t kDistance>
void UndoDifferencingBy(uint8_t* row, uint32_t pixels) {
  uint8_t sums[kDistance];
  for (uint32_t k = 0; k < kDistance; ++k) sums[k] = row[k];
  for (uint8_t* p = row + kDistance; pixels > 1; --pixels, p += kDistance) {
    for (uint32_t k = 0; k < kDistance; ++k) {
      sums[k] = static_cast<uint8_t>(sums[k] + p[k]);
      p[k] = sums[k];
    }
  }
}

void UndoDifferencing(uint8_t* row, uint32_t pixels, uint32_t distance) {
  if (pixels < 2) return;
  switch (distance) {
    case 1:
      return UndoDifferencingBy<1>(row, pixels);
    case 3:
      return UndoDifferencingBy<3>(row, pixels);
    case 4:
      return UndoDifferencingBy<4>(row, pixels);
  }
  const uint64_t count = uint64_t{pixels - 1} * distance;
  for (uint64_t i = 0; i < count; ++i) {
    row[i + distance] = static_cast<uint8_t>(row[i + distance] + row[i]);
  }
}

template <bool kBigEndian>
void UndoDifferencing16(uint8_t* row, uint32_t pixels, uint32_t distance) {
  if (pixels < 2) return;
  const uint64_t count = uint64_t{pixels - 1} * distance;
  for (uint64_t i = 0; i < count; ++i) {
    uint8_t* next = row + 2 * (i + distance);
    const auto sum =
        static_cast<uint16_t>(LoadU16(next, kBigEndian) + LoadU16(row + 2 * i, kBigEndian));
    if (kBigEndian) {
      StoreU16Be(next, sum);
    } else {
      StoreU16(next, sum);
    }
  }
}

}  // namespace

TPredictorRoutine PredictorRoutineFor(uint8_t bits_per_sample, bool big_endian) {
  switch (bits_per_sample) {
    case 8:
      return UndoDifferencing;
    case 16:
      return big_endian ? UndoDifferencing16<true> : UndoDifferencing16<false>;
    default:
      return nullptr;
  }
}

}  // namespace quillo
