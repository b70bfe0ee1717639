// Reading a 6000 x 4000 8-bit RGB TIFF stored uncompressed, with PackBits, with Deflate, as
// JPEG, with LZW and horizontal differencing, and in Deflate tiles of 256 x 256, against libtiff
// doing the same work on the same file in the same run: every strip or tile decoded with
// TIFFReadEncodedStrip or TIFFReadEncodedTile and its rows turned into blue-green-red rows of a
// buffer of the bitmap's size, each at its place. Prints the six ratios at the end.
#include <tiffio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench_support.h"
#include "image/image_limits.h"
#include "image/pixel_buffer.h"
#include "imagelib/tiff/tiff_graphic.h"

namespace {

constexpr uint32_t kWidth = 6000;
constexpr uint32_t kHeight = 4000;
constexpr uint32_t kRowsPerStrip = 16;

constexpr uint32_t kTileSize = 256;

struct Kind {
  const char* name;
  uint16_t compression;
  uint16_t predictor = PREDICTOR_NONE;
  bool tiled = false;
};
constexpr Kind kKinds[] = {{"None", COMPRESSION_NONE},
                           {"PackBits", COMPRESSION_PACKBITS},
                           {"Deflate", COMPRESSION_ADOBE_DEFLATE},
                           {"Jpeg", COMPRESSION_JPEG},
                           {"LzwPredictor", COMPRESSION_LZW, PREDICTOR_HORIZONTAL},
                           {"DeflateTiles", COMPRESSION_ADOBE_DEFLATE, PREDICTOR_NONE, true}};

constexpr size_t kRowBytes = size_t{kWidth} * 3;

// Turns `count` pixels of RGB samples into the bitmap's blue-green-red pixels.
void ToBgr(const uint8_t* in, uint8_t* out, uint32_t count) {
  for (uint32_t x = 0; x < count; ++x, in += 3, out += 3) {
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
  }
}

class Files {
 public:
  Files() {
    TIFFSetWarningHandler(nullptr);
    const std::vector<uint8_t> rgb = quillo::bench::PhotoRgb(kWidth, kHeight);
    for (const Kind& kind : kKinds) Write(kind, rgb);
  }

  std::string Path(const Kind& kind) const { return dir_.File(std::string(kind.name) + ".tif"); }

 private:
  void Write(const Kind& kind, const std::vector<uint8_t>& rgb) const {
    TIFF* t = TIFFOpen(Path(kind).c_str(), "w");
    if (t == nullptr) std::abort();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, kWidth);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, kHeight);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_COMPRESSION, kind.compression);
    if (kind.predictor != PREDICTOR_NONE) TIFFSetField(t, TIFFTAG_PREDICTOR, kind.predictor);
    if (kind.compression == COMPRESSION_JPEG) {
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
      TIFFSetField(t, TIFFTAG_JPEGQUALITY, 90);
      TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    } else {
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    }
    if (kind.tiled) {
      WriteTiles(t, rgb);
    } else {
      WriteStrips(t, rgb);
    }
    TIFFClose(t);
  }

  static void WriteStrips(TIFF* t, const std::vector<uint8_t>& rgb) {
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, kRowsPerStrip);
    for (uint32_t s = 0; s < TIFFNumberOfStrips(t); ++s) {
      const uint32_t rows = std::min(kRowsPerStrip, kHeight - s * kRowsPerStrip);
      std::vector<uint8_t> strip(rgb.begin() + s * kRowsPerStrip * kRowBytes,
                                 rgb.begin() + (s * kRowsPerStrip + rows) * kRowBytes);
      if (TIFFWriteEncodedStrip(t, s, strip.data(), static_cast<tmsize_t>(strip.size())) < 0) {
        std::abort();
      }
    }
  }

  // Edge tiles are stored whole, their part outside the picture black.
  static void WriteTiles(TIFF* t, const std::vector<uint8_t>& rgb) {
    TIFFSetField(t, TIFFTAG_TILEWIDTH, kTileSize);
    TIFFSetField(t, TIFFTAG_TILELENGTH, kTileSize);
    const size_t tile_row = size_t{kTileSize} * 3;
    for (uint32_t y = 0; y < kHeight; y += kTileSize) {
      for (uint32_t x = 0; x < kWidth; x += kTileSize) {
        std::vector<uint8_t> tile(tile_row * kTileSize);
        const size_t count = std::min(kTileSize, kWidth - x) * size_t{3};
        for (uint32_t r = 0; r < kTileSize && y + r < kHeight; ++r) {
          std::copy_n(rgb.data() + (y + r) * kRowBytes + x * size_t{3}, count,
                      tile.data() + r * tile_row);
        }
        if (TIFFWriteEncodedTile(t, TIFFComputeTile(t, x, y, 0, 0), tile.data(),
                                 static_cast<tmsize_t>(tile.size())) < 0) {
          std::abort();
        }
      }
    }
  }

  quillo::bench::ScratchDir dir_;
};

const Files& TheFiles() {
  static const Files files;
  return files;
}

void ReadOurs(benchmark::State& state, const Kind& kind) {
  const std::string path = TheFiles().Path(kind);
  for (auto _ : state) {
    quillo::TTIFFGraphic graphic;
    graphic.LoadFile(path);
    benchmark::DoNotOptimize(graphic.Image().pixels.Data());
  }
}

// The bitmap stores its rows bottom-up.
uint8_t* BitmapRow(quillo::TPixelBuffer& bitmap, size_t stride, uint32_t y) {
  return bitmap.Data() + (kHeight - 1 - y) * stride;
}

void ReadStrips(TIFF* t, quillo::TPixelBuffer& bitmap, size_t stride) {
  std::vector<uint8_t> strip(static_cast<size_t>(TIFFStripSize(t)));
  uint32_t y = 0;
  for (uint32_t s = 0; s < TIFFNumberOfStrips(t); ++s) {
    const tmsize_t n = TIFFReadEncodedStrip(t, s, strip.data(), -1);
    const auto rows = static_cast<uint32_t>(n / kRowBytes);
    for (uint32_t r = 0; r < rows; ++r, ++y) {
      ToBgr(strip.data() + r * kRowBytes, BitmapRow(bitmap, stride, y), kWidth);
    }
  }
}

void ReadTiles(TIFF* t, quillo::TPixelBuffer& bitmap, size_t stride) {
  std::vector<uint8_t> tile(static_cast<size_t>(TIFFTileSize(t)));
  const size_t tile_row = size_t{kTileSize} * 3;
  for (uint32_t y = 0; y < kHeight; y += kTileSize) {
    for (uint32_t x = 0; x < kWidth; x += kTileSize) {
      TIFFReadEncodedTile(t, TIFFComputeTile(t, x, y, 0, 0), tile.data(), -1);
      const uint32_t count = std::min(kTileSize, kWidth - x);
      for (uint32_t r = 0; r < kTileSize && y + r < kHeight; ++r) {
        ToBgr(tile.data() + r * tile_row, BitmapRow(bitmap, stride, y + r) + x * size_t{3}, count);
      }
    }
  }
}

void ReadLibtiff(benchmark::State& state, const Kind& kind) {
  const std::string path = TheFiles().Path(kind);
  const size_t stride = static_cast<size_t>(quillo::RowStride(kWidth, 24));
  for (auto _ : state) {
    TIFF* t = TIFFOpen(path.c_str(), "r");
    if (kind.compression == COMPRESSION_JPEG) {
      TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    }
    // Allocated as a bitmap's store is, so that both sides pay the same for their memory.
    quillo::TPixelBuffer bitmap(stride * kHeight);
    if (kind.tiled) {
      ReadTiles(t, bitmap, stride);
    } else {
      ReadStrips(t, bitmap, stride);
    }
    TIFFClose(t);
    benchmark::DoNotOptimize(bitmap.Data());
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<quillo::bench::Ratio> ratios;
  for (const Kind& kind : kKinds) {
    const std::string ours = std::string("Ours/") + kind.name;
    const std::string theirs = std::string("Libtiff/") + kind.name;
    quillo::bench::Register(ours, [&kind](benchmark::State& state) { ReadOurs(state, kind); });
    quillo::bench::Register(theirs, [&kind](benchmark::State& state) { ReadLibtiff(state, kind); });
    ratios.push_back({std::string(kind.name) + " ratio (our reader / libtiff)", ours, theirs});
  }
  return quillo::bench::RunWithRatios(argc, argv, ratios);
}
