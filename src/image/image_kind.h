// The kind of image a path names, by its extension.
#pragma once

#include <cstdint>
#include <string_view>

namespace quillo {

// The values double as the conversion job's output types.
enum TImageKind : uint8_t { ikUnknown, ikBmp, ikJpeg, ikTiff };

// ".bmp", ".jpg"/".jpeg" and ".tif"/".tiff" in any letter case; anything else, no extension
// included, is ikUnknown. Touches no file.
TImageKind GetImageKind(std::string_view path);

}  // namespace quillo
