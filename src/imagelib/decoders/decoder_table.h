// Which decoder undoes which compression of a TIFF image's strips.
#pragma once

#include <memory>

#include "imagelib/decoders/decoder.h"
#include "imagelib/reader_graphic.h"

namespace quillo {

inline constexpr char kTiffFormatName[] = "TIF/TIFF";

// Raised for fax options or codes asking for what the fax decoders do not do.
inline constexpr char kUncompressedFaxModeIs[] = "Uncompressed fax mode is";

// The decoder for the image's compression (none for uncompressed strips). Compressions without
// a decoder, and fax options it cannot honour (tag 292), raise EInvalidGraphic "not supported".
// The JPEG decoder keeps a reference to the properties. `block_width` is the width of a strip or
// tile in pixels, the row length of the decoders that work in pixel rows.
std::unique_ptr<TDecoder> CreateDecoder(const TImageProperties& properties, uint32_t t4_options,
                                        uint32_t block_width);

}  // namespace quillo
