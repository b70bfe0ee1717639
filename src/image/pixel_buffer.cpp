#include "image/pixel_buffer.h"

#include <atomic>
#include <cstring>
#include <new>

namespace quillo {
namespace {

std::atomic<uint64_t> allocations{0};

}  // namespace

uint64_t TPixelBuffer::Allocations() { return allocations.load(); }

TPixelBuffer::TPixelBuffer(size_t size) : size_(size) {
  data_.reset(static_cast<uint8_t*>(std::calloc(size == 0 ? 1 : size, 1)));
  if (!data_) throw std::bad_alloc();
  ++allocations;
}

TPixelBuffer::TPixelBuffer(const TPixelBuffer& other) : size_(other.size_) {
  if (!other.data_) return;
  data_.reset(static_cast<uint8_t*>(std::malloc(size_ == 0 ? 1 : size_)));
  if (!data_) throw std::bad_alloc();
  ++allocations;
  std::memcpy(data_.get(), other.data_.get(), size_);
}

TPixelBuffer& TPixelBuffer::operator=(const TPixelBuffer& other) {
  if (this != &other) *this = TPixelBuffer(other);
  return *this;
}

}  // namespace quillo
