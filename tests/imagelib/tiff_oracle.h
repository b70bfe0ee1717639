// TIFF files written and read by libtiff, the independent codec our reader is checked against.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillo::testing {

// The fields of one image as libtiff is asked to write it; 0 leaves a field out.
struct TiffFields {
  uint32_t width = 1;
  uint32_t height = 1;
  uint16_t bits = 8;
  uint16_t samples = 1;
  uint16_t photometric = 1;
  uint16_t compression = 1;
  uint32_t rows_per_strip = 0;  // 0: one strip
  uint32_t tile_width = 0;      // tiles instead of strips when both are set
  uint32_t tile_length = 0;
  uint16_t planar = 1;
  uint16_t predictor = 0;
  uint16_t fill_order = 0;
  uint16_t sample_format = 0;
  uint32_t t4_options = 0;
  uint16_t subsampling[2] = {0, 0};
  std::vector<uint16_t> extra_samples = {};
  std::vector<uint16_t> color_map = {};  // 3 × 2^bits values
  int jpeg_quality = 0;
  bool jpeg_rgb_input = false;  // hand libtiff RGB rows and let it code them as YCbCr
  bool big_endian = false;
};

// Writes the file; samples holds the rows as stored (every plane in turn when planar is 2), or
// RGB rows when jpeg_rgb_input is set; tiles take whole tiles from it in turn. Fails the test on
// any libtiff error.
void WriteTiff(const std::string& path, const TiffFields& fields,
               const std::vector<uint8_t>& samples);

struct TiffStrips {
  std::vector<std::vector<uint8_t>> raw;      // as stored in the file
  std::vector<std::vector<uint8_t>> decoded;  // as libtiff decodes them
};
TiffStrips ReadStrips(const std::string& path);

// libtiff's RGBA interface: 0xAABBGGRR per pixel, top row first. Empty when libtiff refuses.
std::vector<uint32_t> ReadRgba(const std::string& path);

// Rows as libtiff decodes them, every plane in turn, assembled from the tiles of tiled images;
// empty when libtiff refuses. JPEG images come as RGB.
std::vector<uint8_t> ReadSamples(const std::string& path);

// The colours (0x00RRGGBB, top row first) of the first image as libtiff decodes it, worked out
// from its samples: each sample v of b bits is round(v × 255 ÷ (2^b − 1)), signed samples offset
// by half their range first; min-is-white inverted, colour maps looked up (the high byte of each
// 16-bit colour, as libtiff takes it), CMYK as (255 − C)(255 − K) ÷ 255 per channel, extra
// samples left out. YCbCr and L*a*b* data come from libtiff's RGBA interface, JPEG data as
// libtiff's JPEG decoder gives them. Empty when libtiff refuses the file, decodes none of it or
// reports an error on the way.
struct TiffColors {
  enum Match : uint8_t {
    kExact,      // lossless data
    kNear,       // JPEG data and YCbCr: a second decoder's rounding apart
    kOwnColors,  // L*a*b*, which libtiff turns into colours by a display model of its own
  };
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint32_t> rgb;
  Match match = kExact;
};
TiffColors ReadColors(const std::string& path);

// A pattern of samples that changes along rows and down the picture.
std::vector<uint8_t> Pattern(size_t size, uint32_t seed = 1);

// Bilevel rows of the given width, packed most significant bit first, whose runs of black and
// white come in many lengths, from 0 up to more than two thousand.
std::vector<uint8_t> BilevelPattern(uint32_t width, uint32_t height);

// A bilevel page, packed as above, of lines of letter-like shapes (bars, slants, bowls, dots),
// a rule, a black block touching the right edge, a bar at the left edge, and now and then a row
// of BilevelPattern: rows that resemble the rows above them, and some that do not.
std::vector<uint8_t> FaxPage(uint32_t width, uint32_t height);

}  // namespace quillo::testing
