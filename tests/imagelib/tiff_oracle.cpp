#include "tiff_oracle.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace quillo::testing {
namespace {

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

// libtiff's complaints stay quiet; the tests look at its results, and at whether it reported
// an error on the way.
int errors_reported = 0;

void CountError(const char*, const char*, va_list) { ++errors_reported; }

void Silence() {
  TIFFSetErrorHandler(CountError);
  TIFFSetWarningHandler(nullptr);
}

TiffHandle Open(const std::string& path, const char* mode) {
  Silence();
  return TiffHandle(TIFFOpen(path.c_str(), mode));
}

// Sample `index` of a row of samples packed most significant bit first; 16-bit samples come as
// libtiff gives them, in host order.
uint32_t Sample(const uint8_t* row, uint64_t index, unsigned bits) {
  if (bits == 16) {
    uint16_t v;
    std::memcpy(&v, row + 2 * index, 2);
    return v;
  }
  uint32_t v = 0;
  for (unsigned i = 0; i < bits; ++i) {
    const uint64_t bit = index * bits + i;
    v = v << 1 | (row[bit / 8] >> (7 - bit % 8) & 1);
  }
  return v;
}

uint32_t Level(uint32_t v, unsigned bits) {
  const uint32_t max = (1u << bits) - 1;
  return (v * 510 + max) / (2 * max);
}

uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r << 16 | g << 8 | b; }

}  // namespace

void WriteTiff(const std::string& path, const TiffFields& f, const std::vector<uint8_t>& samples) {
  TiffHandle tiff = Open(path, f.big_endian ? "wb" : "wl");
  ASSERT_TRUE(tiff) << path;
  TIFF* t = tiff.get();
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, f.width);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, f.height);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, f.bits);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, f.samples);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, f.photometric);
  TIFFSetField(t, TIFFTAG_COMPRESSION, f.compression);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, f.planar);
  if (f.tile_width) {
    TIFFSetField(t, TIFFTAG_TILEWIDTH, f.tile_width);
    TIFFSetField(t, TIFFTAG_TILELENGTH, f.tile_length);
  } else {
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, f.rows_per_strip ? f.rows_per_strip : f.height);
  }
  if (f.predictor) TIFFSetField(t, TIFFTAG_PREDICTOR, f.predictor);
  if (f.fill_order) TIFFSetField(t, TIFFTAG_FILLORDER, f.fill_order);
  if (f.sample_format) TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, f.sample_format);
  if (f.compression == COMPRESSION_CCITTFAX3) TIFFSetField(t, TIFFTAG_GROUP3OPTIONS, f.t4_options);
  if (f.subsampling[0])
    TIFFSetField(t, TIFFTAG_YCBCRSUBSAMPLING, f.subsampling[0], f.subsampling[1]);
  if (!f.extra_samples.empty()) {
    TIFFSetField(t, TIFFTAG_EXTRASAMPLES, static_cast<uint16_t>(f.extra_samples.size()),
                 f.extra_samples.data());
  }
  if (!f.color_map.empty()) {
    const size_t n = f.color_map.size() / 3;
    TIFFSetField(t, TIFFTAG_COLORMAP, f.color_map.data(), f.color_map.data() + n,
                 f.color_map.data() + 2 * n);
  }
  if (f.jpeg_quality) TIFFSetField(t, TIFFTAG_JPEGQUALITY, f.jpeg_quality);
  if (f.jpeg_rgb_input) TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);

  if (f.tile_width) {
    const auto size = static_cast<size_t>(TIFFTileSize(t));
    for (uint32_t i = 0; i < TIFFNumberOfTiles(t); ++i) {
      ASSERT_LE((i + 1) * size, samples.size()) << "tile " << i;
      std::vector<uint8_t> tile(samples.begin() + i * size, samples.begin() + (i + 1) * size);
      ASSERT_EQ(TIFFWriteEncodedTile(t, i, tile.data(), static_cast<tmsize_t>(size)),
                static_cast<tmsize_t>(size))
          << "tile " << i;
    }
    ASSERT_EQ(TIFFWriteDirectory(t), 1);
    return;
  }
  const tmsize_t strip_size = TIFFStripSize(t);
  const uint32_t strips = TIFFNumberOfStrips(t);
  size_t offset = 0;
  for (uint32_t s = 0; s < strips; ++s) {
    const uint32_t per_plane = f.planar == 2 ? strips / f.samples : strips;
    const uint32_t first_row = (s % per_plane) * (f.rows_per_strip ? f.rows_per_strip : f.height);
    const uint32_t rows =
        std::min(f.height - first_row, f.rows_per_strip ? f.rows_per_strip : f.height);
    const tmsize_t size = TIFFVStripSize(t, rows);
    ASSERT_LE(size, strip_size);
    ASSERT_LE(offset + size, samples.size()) << "strip " << s;
    std::vector<uint8_t> strip(samples.begin() + offset, samples.begin() + offset + size);
    ASSERT_EQ(TIFFWriteEncodedStrip(t, s, strip.data(), size), size) << "strip " << s;
    offset += size;
  }
  ASSERT_EQ(TIFFWriteDirectory(t), 1);
}

TiffStrips ReadStrips(const std::string& path) {
  TiffStrips strips;
  TiffHandle tiff = Open(path, "r");
  if (!tiff) return strips;
  TIFF* t = tiff.get();
  uint64_t* counts = nullptr;
  TIFFGetField(t, TIFFTAG_STRIPBYTECOUNTS, &counts);
  for (uint32_t s = 0; s < TIFFNumberOfStrips(t); ++s) {
    std::vector<uint8_t> raw(counts[s]);
    TIFFReadRawStrip(t, s, raw.data(), static_cast<tmsize_t>(raw.size()));
    strips.raw.push_back(std::move(raw));
    std::vector<uint8_t> decoded(TIFFStripSize(t));
    const tmsize_t n = TIFFReadEncodedStrip(t, s, decoded.data(), -1);
    decoded.resize(n < 0 ? 0 : static_cast<size_t>(n));
    strips.decoded.push_back(std::move(decoded));
  }
  return strips;
}

std::vector<uint32_t> ReadRgba(const std::string& path) {
  TiffHandle tiff = Open(path, "r");
  if (!tiff) return {};
  uint32_t width = 0, height = 0;
  TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
  std::vector<uint32_t> pixels(size_t{width} * height);
  if (!TIFFReadRGBAImageOriented(tiff.get(), width, height, pixels.data(), ORIENTATION_TOPLEFT,
                                 0)) {
    return {};
  }
  return pixels;
}

std::vector<uint8_t> ReadSamples(const std::string& path) {
  TiffHandle tiff = Open(path, "r");
  if (!tiff) return {};
  TIFF* t = tiff.get();
  uint16_t compression = 1, planar = 1, samples = 1;
  uint32_t height = 0;
  TIFFGetField(t, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &compression);
  TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &samples);
  if (compression == COMPRESSION_JPEG) TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  const tmsize_t line = TIFFScanlineSize(t);
  const uint16_t planes = planar == 2 ? samples : 1;
  std::vector<uint8_t> out(static_cast<size_t>(line) * height * planes);
  if (TIFFIsTiled(t)) {
    uint32_t width = 0, tile_width = 0, tile_length = 0;
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(t, TIFFTAG_TILEWIDTH, &tile_width);
    TIFFGetField(t, TIFFTAG_TILELENGTH, &tile_length);
    const auto tile_row = static_cast<size_t>(TIFFTileRowSize(t));
    std::vector<uint8_t> tile(static_cast<size_t>(TIFFTileSize(t)));
    for (uint16_t p = 0; p < planes; ++p) {
      for (uint32_t y = 0; y < height; y += tile_length) {
        for (uint32_t x = 0, column = 0; x < width; x += tile_width, column += tile_row) {
          const uint32_t index = TIFFComputeTile(t, x, y, 0, p);
          if (TIFFReadEncodedTile(t, index, tile.data(), -1) < 0) return {};
          const size_t bytes = std::min(tile_row, static_cast<size_t>(line) - column);
          for (uint32_t r = 0; r < tile_length && y + r < height; ++r) {
            std::copy_n(tile.data() + r * tile_row, bytes,
                        out.data() + (size_t{p} * height + y + r) * line + column);
          }
        }
      }
    }
    return out;
  }
  for (uint16_t p = 0; p < planes; ++p) {
    for (uint32_t y = 0; y < height; ++y) {
      if (TIFFReadScanline(t, out.data() + (size_t{p} * height + y) * line, y, p) < 0) return {};
    }
  }
  return out;
}

namespace {

// The colours, whatever libtiff reported on the way.
TiffColors DecodeColors(const std::string& path) {
  errors_reported = 0;
  TiffColors out;
  uint16_t bits = 1, samples = 1, photometric = 0xFFFF, format = 1, compression = 1, planar = 1;
  uint16_t extra_count = 0;
  std::vector<uint16_t> map;
  {
    TiffHandle tiff = Open(path, "r");
    if (!tiff) return out;
    TIFF* t = tiff.get();
    uint16_t* extra = nullptr;
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &out.width);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &out.height);
    TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(t, TIFFTAG_EXTRASAMPLES, &extra_count, &extra);
    if (photometric == PHOTOMETRIC_PALETTE && bits <= 16 &&
        TIFFGetField(t, TIFFTAG_COLORMAP, &red, &green, &blue)) {
      for (const uint16_t* plane : {red, green, blue})
        map.insert(map.end(), plane, plane + (1 << bits));
    }
  }
  const bool jpeg = compression == COMPRESSION_JPEG;
  if ((photometric == PHOTOMETRIC_YCBCR && !jpeg) || photometric == PHOTOMETRIC_CIELAB ||
      photometric == 0xFFFF) {
    out.match = photometric == PHOTOMETRIC_CIELAB ? TiffColors::kOwnColors : TiffColors::kNear;
    for (const uint32_t abgr : ReadRgba(path)) {
      out.rgb.push_back(Rgb(abgr & 0xFF, abgr >> 8 & 0xFF, abgr >> 16 & 0xFF));
    }
    return out;
  }
  out.match = jpeg ? TiffColors::kNear : TiffColors::kExact;
  if (jpeg && photometric == PHOTOMETRIC_YCBCR) {
    // libtiff's JPEG decoder hands such data over as RGB.
    photometric = PHOTOMETRIC_RGB;
    samples = 3;
    planar = 1;
    extra_count = 0;
  }
  const std::vector<uint8_t> data = ReadSamples(path);
  if (data.empty() || bits > 16 || samples <= extra_count) return out;
  const size_t planes = planar == 2 ? samples : 1;
  const size_t line = data.size() / (size_t{out.height} * planes);
  const unsigned colours = samples - extra_count;
  std::vector<uint32_t> level(colours);
  for (uint32_t y = 0; y < out.height; ++y) {
    for (uint32_t x = 0; x < out.width; ++x) {
      for (unsigned k = 0; k < colours; ++k) {
        uint32_t v = planar == 2 ? Sample(data.data() + (k * out.height + y) * line, x, bits)
                                 : Sample(data.data() + y * line, uint64_t{x} * samples + k, bits);
        if (format == SAMPLEFORMAT_INT) v ^= 1u << (bits - 1);
        level[k] = photometric == PHOTOMETRIC_PALETTE ? v : Level(v, bits);
      }
      const uint32_t first = level[0];
      switch (photometric) {
        case PHOTOMETRIC_MINISWHITE:
          out.rgb.push_back(Rgb(255 - first, 255 - first, 255 - first));
          break;
        case PHOTOMETRIC_MINISBLACK:
          out.rgb.push_back(Rgb(first, first, first));
          break;
        case PHOTOMETRIC_PALETTE: {
          const size_t n = map.size() / 3;
          out.rgb.push_back(
              first < n ? Rgb(map[first] >> 8, map[n + first] >> 8, map[2 * n + first] >> 8) : 0);
          break;
        }
        case PHOTOMETRIC_SEPARATED: {
          const uint32_t white = 255 - level[colours - 1];
          const auto ink = [&](unsigned k) { return (255 - level[k]) * white / 255; };
          out.rgb.push_back(Rgb(ink(0), ink(1), ink(2)));
          break;
        }
        default:
          out.rgb.push_back(Rgb(first, level[colours > 1 ? 1 : 0], level[colours > 2 ? 2 : 0]));
      }
    }
  }
  return out;
}

}  // namespace

TiffColors ReadColors(const std::string& path) {
  TiffColors out = DecodeColors(path);
  if (errors_reported != 0) out.rgb.clear();
  return out;
}

std::vector<uint8_t> Pattern(size_t size, uint32_t seed) {
  std::vector<uint8_t> bytes(size);
  uint32_t state = seed * 2654435761u + 1;
  for (size_t i = 0; i < size; ++i) {
    // Smooth ramps with some noise and occasional runs, so that every coder has work to do.
    state = state * 1103515245u + 12345u;
    const bool run = (i / 97) % 5 == 0;
    bytes[i] = run ? static_cast<uint8_t>(seed * 31) : static_cast<uint8_t>(i * 3 + (state >> 28));
  }
  return bytes;
}

std::vector<uint8_t> BilevelPattern(uint32_t width, uint32_t height) {
  const size_t row_bytes = (size_t{width} + 7) / 8;
  std::vector<uint8_t> bytes(row_bytes * height);
  static constexpr uint32_t kRuns[] = {1, 0, 3, 13, 64, 2, 65, 7, 200, 1729, 5, 2561, 8, 63, 130};
  size_t k = 0;
  for (uint32_t y = 0; y < height; ++y) {
    uint32_t x = 0;
    bool black = y % 3 == 1;  // some rows start with a black run
    while (x < width) {
      const uint32_t run = kRuns[(k++ + y) % std::size(kRuns)];
      for (uint32_t i = 0; i < run && x < width; ++i, ++x) {
        if (black) bytes[y * row_bytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
      black = !black;
    }
  }
  return bytes;
}

std::vector<uint8_t> FaxPage(uint32_t width, uint32_t height) {
  const size_t row_bytes = (size_t{width} + 7) / 8;
  std::vector<uint8_t> bytes(row_bytes * height);
  const auto set = [&](int64_t x, int64_t y) {
    if (x >= 0 && y >= 0 && x < width && y < height) {
      bytes[y * row_bytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
  };
  // Letters 10 × 20 pixels in cells 14 pixels wide, lines 26 pixels apart; some cells stay empty.
  uint32_t k = 0;
  for (uint32_t top = 2; top < height; top += 26) {
    for (uint32_t left = 9; left < width; left += 14) {
      const uint32_t shape = (++k * 2654435761u) >> 29;
      for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 10; ++x) {
          const int ring = (2 * x - 9) * (2 * x - 9) + (y - 13) * (y - 13) * 4 / 3;
          bool on = false;
          switch (shape) {
            case 0:  // L
              on = x < 2 || y >= 18;
              break;
            case 1:  // slant
              on = std::abs(x - y / 2) < 2;
              break;
            case 2:  // o
              on = y >= 6 && ring >= 40 && ring <= 90;
              break;
            case 3:  // T
              on = y < 2 || (x >= 4 && x < 6);
              break;
            case 4:  // b
              on = x < 2 || (y >= 6 && ring >= 40 && ring <= 90 && x > 3);
              break;
            case 5:  // i
              on = x >= 4 && x < 6 && (y < 3 || y > 6);
              break;
            case 6:  // H
              on = x < 2 || x >= 8 || (y >= 9 && y < 11);
              break;
          }
          if (on) set(left + x, top + y);
        }
      }
    }
  }
  for (uint32_t y = height / 3; y < height / 3 + 9; ++y) {
    for (uint32_t x = width / 2; x < width; ++x) set(x, y);
  }
  for (uint32_t y = height / 2; y < height / 2 + 3; ++y) {
    for (uint32_t x = 20; x + 20 < width; ++x) set(x, y);
  }
  for (uint32_t y = 0; y < height * 2 / 3; ++y) {
    for (uint32_t x = 0; x < 5; ++x) set(x, y);
  }
  const std::vector<uint8_t> pattern = BilevelPattern(width, height);
  for (uint32_t y = 37; y < height; y += 37) {
    std::copy_n(pattern.begin() + y * row_bytes, row_bytes, bytes.begin() + y * row_bytes);
  }
  return bytes;
}

}  // namespace quillo::testing
