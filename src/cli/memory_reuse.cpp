#include "cli/memory_reuse.h"

#include <malloc.h>

namespace quillo {

void KeepFreedMemoryForReuse() {
  mallopt(M_MMAP_MAX, 0);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
}

}  // namespace quillo
