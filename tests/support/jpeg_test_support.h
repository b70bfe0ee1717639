// JPEG files made and read by libjpeg-turbo called directly, so that the adapter is checked
// against the library's own encoder and decoder rather than against itself.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <jpeglib.h>

#include "image/bitmap.h"
#include "image/rotation.h"

namespace quillo::testing {

// Samples top row first, `components` bytes per pixel, in the colour space's own order.
struct Samples {
  int width = 0;
  int height = 0;
  int components = 3;
  std::vector<uint8_t> data;
  long warnings = 0;  // the library's warnings while decoding (corrupt or cut-off data)

  const uint8_t* Pixel(int x, int y) const {
    return data.data() + (static_cast<size_t>(y) * width + x) * components;
  }
};

// A picture with smooth gradients and some texture, like a photo: red, green, blue samples.
Samples PhotoSamples(int width, int height, uint32_t seed = 1);

struct EncodeSettings {
  int quality = 90;
  bool progressive = false;
  J_COLOR_SPACE input = JCS_RGB;     // the samples' colour space
  J_COLOR_SPACE jpeg = JCS_UNKNOWN;  // the file's; the library's default for the input otherwise
  bool adobe_marker = true;          // for four-component files
  int luma_sampling[2] = {2, 2};     // horizontal and vertical sampling of the first component
  // Written behind the library's own header segments: marker code and payload.
  std::vector<std::pair<int, std::string>> markers = {};
};

std::string LibjpegEncode(const Samples& samples, const EncodeSettings& settings = {});

struct DecodeSettings {
  J_COLOR_SPACE output = JCS_RGB;
  J_DCT_METHOD dct = JDCT_ISLOW;
  int scale_denom = 1;
  bool block_smoothing = true;
  int colors = 0;  // quantize to this many colours; the samples are then the map's colours
  bool two_pass = true;
  J_DITHER_MODE dither = JDITHER_FS;
};

Samples LibjpegDecode(const std::string& bytes, const DecodeSettings& settings = {});

// A 24-bit bitmap holding the samples (red, green, blue).
void FillBitmap(TBitmap& bitmap, const Samples& rgb);
// The bitmap's pixels as red, green, blue samples, whatever its format.
Samples RgbSamples(TBitmap& bitmap);
// The samples turned as the turn says (the reference for our own turns).
Samples TurnSamples(const Samples& samples, TPictureTurn turn);
// The largest difference of two samples at one place; pictures of one size and layout.
int MaxDifference(const Samples& a, const Samples& b);

struct Header {
  bool progressive = false;
  int components = 0;
  J_COLOR_SPACE color_space = JCS_UNKNOWN;
  std::vector<std::pair<int, int>> sampling;  // horizontal and vertical, per component
  // Every application and comment segment, in the file's order: marker code and payload.
  std::vector<std::pair<int, std::string>> markers;
};

// Peak signal-to-noise ratio in dB over every sample of two pictures of one size and layout;
// infinity when they are equal.
double Psnr(const Samples& a, const Samples& b);

// The file's header as the library reads it.
Header LibjpegHeader(const std::string& bytes);

}  // namespace quillo::testing
