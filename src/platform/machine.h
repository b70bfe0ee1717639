// What the machine offers a batch job: processors to work on and memory to hold pictures in.
#pragma once

#include <cstdint>

namespace quillo {

// The processors this process may run on; at least 1.
int ProcessorCount();
// The machine's physical memory in bytes; 0 when the system does not tell.
uint64_t PhysicalMemoryBytes();

}  // namespace quillo
