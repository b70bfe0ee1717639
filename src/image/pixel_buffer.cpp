#include "image/pixel_buffer.h"

#include <cstring>
#include <new>

namespace quillo {

TPixelBuffer::TPixelBuffer(size_t size) : size_(size) {
  data_.reset(static_cast<uint8_t*>(std::calloc(size == 0 ? 1 : size, 1)));
  if (!data_) throw std::bad_alloc();
}

TPixelBuffer::TPixelBuffer(const TPixelBuffer& other) : size_(other.size_) {
  if (!other.data_) return;
  data_.reset(static_cast<uint8_t*>(std::malloc(size_ == 0 ? 1 : size_)));
  if (!data_) throw std::bad_alloc();
  std::memcpy(data_.get(), other.data_.get(), size_);
}

TPixelBuffer& TPixelBuffer::operator=(const TPixelBuffer& other) {
  if (this != &other) *this = TPixelBuffer(other);
  return *this;
}

}  // namespace quillo
