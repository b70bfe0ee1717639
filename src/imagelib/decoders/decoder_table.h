// Which decoder undoes which compression of a TIFF image's strips.
#pragma once

#include <memory>

#include "imagelib/decoders/decoder.h"
#include "imagelib/reader_graphic.h"

namespace quillo {

inline constexpr char kTiffFormatName[] = "TIF/TIFF";

// Raised for T4Options asking for what the fax decoder does not do.
inline constexpr char kTwoDimensionalFaxIs[] = "Two-dimensional fax coding is";
inline constexpr char kUncompressedFaxModeIs[] = "Uncompressed fax mode is";

// The decoder for the image's compression (none for uncompressed strips). Compressions without
// a decoder, and fax options it cannot honour (tag 292), raise EInvalidGraphic "not supported".
// The JPEG decoder keeps a reference to the properties.
std::unique_ptr<TDecoder> CreateDecoder(const TImageProperties& properties, uint32_t t4_options);

}  // namespace quillo
