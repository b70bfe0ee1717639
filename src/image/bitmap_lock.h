// The process-wide lock under which bitmaps install and adopt pixel stores, so that reference
// counts and store pointers change together.
#pragma once

#include <mutex>

namespace quillo {

std::mutex& BitmapLock();

}  // namespace quillo
