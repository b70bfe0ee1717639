// A file mapped into memory as a private copy: reading touches only the pages read, and a change
// stays in this process, never reaching the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillo {

class TPrivateFileMapping {
 public:
  // Throws EFOpenError with the full path when the file cannot be opened or mapped; a file that
  // is not a regular one is refused, so that nothing waits on a pipe.
  explicit TPrivateFileMapping(const std::string& path);
  ~TPrivateFileMapping();
  TPrivateFileMapping(const TPrivateFileMapping&) = delete;
  TPrivateFileMapping& operator=(const TPrivateFileMapping&) = delete;

  uint8_t* Data() { return data_; }
  size_t Size() const { return size_; }

 private:
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace quillo
