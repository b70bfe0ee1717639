// How many files a rotation or conversion works on at once, and how much memory each takes.
#pragma once

#include <cstdint>
#include <string>

#include "jobs/file_pool.h"

namespace quillo {

// Files in work at once: the number asked for, or one per processor for 0; the pictures in work
// together stay within a quarter of physical memory.
ParallelLimits BatchLimits(int files);

// The bytes one file's work holds at its peak, from the picture size its header gives: the
// decoded picture twice (as read, and turned or converted) at four bytes a pixel, and the file's
// bytes twice (as read, and as encoded). A file whose header gives no size counts its bytes.
uint64_t WorkingMemory(const std::string& path);

}  // namespace quillo
