// The decoder set-up: what the adapter's options ask of the library before it decodes, shared by
// the decoding and the scaled-size computation.
#pragma once

#include "image/jpeg_glue.h"
#include "image/jpeg_image.h"

namespace quillo {

// The output modes of the last output pass; buffered-image mode uses quicker ones for the passes
// before it.
struct TFinalOutputModes {
  J_DCT_METHOD dct_method = JDCT_ISLOW;
  boolean two_pass_quantize = FALSE;
  J_DITHER_MODE dither_mode = JDITHER_NONE;
};

// Reads the header from the start of the bytes and sets the decoder up: scale, block smoothing,
// output colour space (blue-green-red, greyscale, or CMYK for four-component files), colour
// quantization for 8-bit colour output, DCT and dithering, and buffered-image mode for multi-scan
// files. The output size is computed.
TFinalOutputModes SetUpDecoder(TJpegDecompressor& decoder, TMemoryStream& bytes,
                               const TJpegOptions& options);

}  // namespace quillo
