// Undoing the horizontal differencing of predictor 2: each sample was stored as its difference
// from the same sample of the pixel before it.
#pragma once

#include <cstdint>

namespace quillo {

// Restores one row of `pixels` pixels whose samples lie `distance` samples apart.
using TPredictorRoutine = void (*)(uint8_t* row, uint32_t pixels, uint32_t distance);

// The routine for 8-bit samples, or for 16-bit samples in the given byte order; none for other
// depths.
TPredictorRoutine PredictorRoutineFor(uint8_t bits_per_sample, bool big_endian);

}  // namespace quillo
