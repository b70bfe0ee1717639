// A zero-filled block of pixel bytes. Small blocks come zeroed from the allocator; large ones
// are backed by huge pages, which makes their first writing cheap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace quillo {

class TPixelBuffer {
 public:
  TPixelBuffer() = default;
  // Throws std::bad_alloc when the memory cannot be had.
  explicit TPixelBuffer(size_t size);
  TPixelBuffer(const TPixelBuffer& other);
  TPixelBuffer& operator=(const TPixelBuffer& other);
  TPixelBuffer(TPixelBuffer&&) noexcept = default;
  TPixelBuffer& operator=(TPixelBuffer&&) noexcept = default;

  uint8_t* Data() { return data_.get(); }
  const uint8_t* Data() const { return data_.get(); }
  size_t Size() const { return size_; }
  explicit operator bool() const { return data_ != nullptr; }

  // How many blocks have been allocated in this process, so that a reader's single allocation
  // of its picture can be checked.
  static uint64_t Allocations();

 private:
  struct Free {
    void operator()(uint8_t* p) const { std::free(p); }
  };
  std::unique_ptr<uint8_t, Free> data_;
  size_t size_ = 0;
};

}  // namespace quillo
