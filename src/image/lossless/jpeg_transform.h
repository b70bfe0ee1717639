// Lossless turns of JPEG data through libjpeg-turbo's transform interface: the coded blocks are
// moved, so scans, quantization, chroma subsampling and every marker stay as they were.
#pragma once

#include <string>
#include <string_view>

#include "image/rotation.h"

namespace quillo {

inline constexpr char kJpegTransformErrorPattern[] = "JPEG transform failed: %s";

// The picture's size and the size of its coded blocks (the MCU, which depends on the chroma
// subsampling).
struct TJpegBlocks {
  int width = 0;
  int height = 0;
  int block_width = 8;
  int block_height = 8;
};

// Reads the header. Throws EJPEG (kJpegTransformErrorPattern with the library's text) when the
// library cannot read it, and EInvalidGraphic when the picture exceeds the store limits.
TJpegBlocks ReadJpegBlocks(std::string_view jpeg);

// Whether the turn moves whole blocks only: every edge the turn carries to the left or the top
// must be a whole number of blocks, or its partial blocks would have to be dropped.
bool WholeBlocks(const TJpegBlocks& blocks, TPictureTurn turn);

// Turns the picture losslessly; progressive output when asked. Throws EJPEG
// (kJpegTransformErrorPattern) when the library fails, a turn needing partial blocks included.
std::string TransformJpeg(std::string_view jpeg, TPictureTurn turn, bool progressive);

}  // namespace quillo
