// Reading a 6000 x 4000 8-bit RGB TIFF stored uncompressed, with PackBits, with Deflate and as
// JPEG, against libtiff doing the same work on the same file in the same run: every strip
// decoded with TIFFReadEncodedStrip and its rows turned into blue-green-red rows of a buffer of
// the bitmap's size. Prints the four ratios at the end.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <tiffio.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "image/image_limits.h"
#include "image/pixel_buffer.h"
#include "imagelib/tiff/tiff_graphic.h"

namespace {

constexpr uint32_t kWidth = 6000;
constexpr uint32_t kHeight = 4000;
constexpr uint32_t kRowsPerStrip = 16;

struct Kind {
  const char* name;
  uint16_t compression;
};
constexpr Kind kKinds[] = {{"None", COMPRESSION_NONE},
                           {"PackBits", COMPRESSION_PACKBITS},
                           {"Deflate", COMPRESSION_ADOBE_DEFLATE},
                           {"Jpeg", COMPRESSION_JPEG}};

// A photograph-like picture: smooth shading with fine texture, flat areas and edges.
std::vector<uint8_t> Picture() {
  std::vector<uint8_t> rgb(size_t{kWidth} * kHeight * 3);
  uint32_t noise = 12345;
  for (uint32_t y = 0; y < kHeight; ++y) {
    uint8_t* row = rgb.data() + size_t{y} * kWidth * 3;
    for (uint32_t x = 0; x < kWidth; ++x) {
      noise = noise * 1103515245u + 12345u;
      const int grain = static_cast<int>(noise >> 29);
      const bool sky = y < kHeight / 3 && ((x / 700 + y / 500) % 3 != 0);
      const double shade = 0.5 + 0.5 * std::sin(x * 0.004 + y * 0.003);
      row[3 * x] = static_cast<uint8_t>(sky ? 90 : 40 + 150 * shade + grain);
      row[3 * x + 1] = static_cast<uint8_t>(sky ? 140 : 60 + 120 * shade + grain);
      row[3 * x + 2] = static_cast<uint8_t>(sky ? 210 : 30 + 100 * (1 - shade) + grain);
    }
  }
  return rgb;
}

class Files {
 public:
  Files() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillo-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    dir_ = pattern;
    TIFFSetWarningHandler(nullptr);
    const std::vector<uint8_t> rgb = Picture();
    for (const Kind& kind : kKinds) Write(kind, rgb);
  }
  ~Files() { std::filesystem::remove_all(dir_); }

  std::string Path(const Kind& kind) const {
    return (dir_ / (std::string(kind.name) + ".tif")).string();
  }

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
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, kRowsPerStrip);
    if (kind.compression == COMPRESSION_JPEG) {
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
      TIFFSetField(t, TIFFTAG_JPEGQUALITY, 90);
      TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    } else {
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    }
    const size_t row = size_t{kWidth} * 3;
    for (uint32_t s = 0; s < TIFFNumberOfStrips(t); ++s) {
      const uint32_t rows = std::min(kRowsPerStrip, kHeight - s * kRowsPerStrip);
      std::vector<uint8_t> strip(rgb.begin() + s * kRowsPerStrip * row,
                                 rgb.begin() + (s * kRowsPerStrip + rows) * row);
      if (TIFFWriteEncodedStrip(t, s, strip.data(), static_cast<tmsize_t>(strip.size())) < 0) {
        std::abort();
      }
    }
    TIFFClose(t);
  }

  std::filesystem::path dir_;
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
    std::vector<uint8_t> strip(static_cast<size_t>(TIFFStripSize(t)));
    uint32_t y = 0;
    for (uint32_t s = 0; s < TIFFNumberOfStrips(t); ++s) {
      const tmsize_t n = TIFFReadEncodedStrip(t, s, strip.data(), -1);
      const uint32_t rows = static_cast<uint32_t>(n / (kWidth * 3));
      for (uint32_t r = 0; r < rows; ++r, ++y) {
        // The bitmap stores its rows bottom-up.
        const uint8_t* in = strip.data() + size_t{r} * kWidth * 3;
        uint8_t* out = bitmap.Data() + (kHeight - 1 - y) * stride;
        for (uint32_t x = 0; x < kWidth; ++x, in += 3, out += 3) {
          out[0] = in[2];
          out[1] = in[1];
          out[2] = in[0];
        }
      }
    }
    TIFFClose(t);
    benchmark::DoNotOptimize(bitmap.Data());
  }
}

// Prints how much longer our reader takes than libtiff for each kind, from the medians of the
// elapsed time and of the time the reading thread spent on the processor (the machine is shared,
// so the second is the steadier one).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      times_[run.run_name.function_name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const Kind& kind : kKinds) {
      const std::string ours = std::string("Ours/") + kind.name;
      const std::string theirs = std::string("Libtiff/") + kind.name;
      if (times_.count(ours) == 0 || times_.count(theirs) == 0) continue;
      std::printf("%s ratio (our reader / libtiff): %.2f elapsed, %.2f processor\n", kind.name,
                  times_[ours].first / times_[theirs].first,
                  times_[ours].second / times_[theirs].second);
    }
  }

 private:
  std::map<std::string, std::pair<double, double>> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // The machine is shared, so every case runs five times and the ratios use the medians.
  using Function = void (*)(benchmark::State&, const Kind&);
  for (const Kind& kind : kKinds) {
    for (auto [prefix, function] : {std::pair<const char*, Function>{"Ours/", ReadOurs},
                                    std::pair<const char*, Function>{"Libtiff/", ReadLibtiff}}) {
      benchmark::RegisterBenchmark((std::string(prefix) + kind.name).c_str(), function, kind)
          ->Unit(benchmark::kMillisecond)
          ->Repetitions(5)
          ->ReportAggregatesOnly();
    }
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
