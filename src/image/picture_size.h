// The size of a JPEG, TIFF or BMP file's picture, read from its header alone, so that a batch job
// can tell how much memory the file will take before it reads the rest.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillo {

struct TPictureSize {
  int64_t width = 0;
  int64_t height = 0;
};

// The content decides the kind, not the name. Nothing when the file cannot be opened, is of none
// of these kinds, or its header does not give a size.
std::optional<TPictureSize> ReadPictureSize(const std::string& path);

}  // namespace quillo
