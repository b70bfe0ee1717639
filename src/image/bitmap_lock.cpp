#include "image/bitmap_lock.h"

namespace quillo {

std::mutex& BitmapLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace quillo
