#include "image/pixel_buffer.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace quillo {
namespace {

std::atomic<uint64_t> allocations{0};

// Large stores start on a huge page and ask to be backed by huge pages: a 24-megapixel picture
// then takes a few dozen page faults when it is first written instead of tens of thousands.
constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kHugeFrom = 4 * kHugePage;

uint8_t* Allocate(size_t size, bool zeroed) {
  void* p = nullptr;
  if (size >= kHugeFrom) {
    if (posix_memalign(&p, kHugePage, size) != 0) throw std::bad_alloc();
    ::madvise(p, size, MADV_HUGEPAGE);
    if (zeroed) std::memset(p, 0, size);
  } else {
    p = zeroed ? std::calloc(size == 0 ? 1 : size, 1) : std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
  }
  ++allocations;
  return static_cast<uint8_t*>(p);
}

}  // namespace

uint64_t TPixelBuffer::Allocations() { return allocations.load(); }

TPixelBuffer::TPixelBuffer(size_t size) : data_(Allocate(size, true)), size_(size) {}

TPixelBuffer::TPixelBuffer(const TPixelBuffer& other) : size_(other.size_) {
  if (!other.data_) return;
  data_.reset(Allocate(size_, false));
  std::memcpy(data_.get(), other.data_.get(), size_);
}

TPixelBuffer& TPixelBuffer::operator=(const TPixelBuffer& other) {
  if (this != &other) *this = TPixelBuffer(other);
  return *this;
}

}  // namespace quillo
