#include "imagelib/tiff/tiff_predictor.h"

#include "image/byte_order.h"

namespace quillo {
namespace {

void UndoDifferencing(uint8_t* row, uint32_t pixels, uint32_t distance) {
  if (pixels < 2) return;
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
