// Converting the rows of a 6000 x 4000 picture into a 24-bit bitmap, RGB to BGR and YCbCr to
// BGR, against copying the same bytes row by row with memcpy in the same run. Prints the two
// ratios at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "imagelib/color_manager.h"

namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;
constexpr size_t kRowBytes = size_t{kWidth} * 3;

// The decoded samples of the whole picture and the bitmap they go into, made once.
struct Picture {
  Picture() : samples(kRowBytes * kHeight) {
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint8_t>(i * 7 + i / 5);
    bitmap.SetPixelFormat(quillo::px24Bit);
    bitmap.SetWidth(kWidth);
    bitmap.SetHeight(kHeight);
    for (int32_t y = 0; y < kHeight; ++y) rows.push_back(bitmap.RowAddress(y));
  }

  std::vector<uint8_t> samples;
  quillo::TBitmap bitmap;
  std::vector<uint8_t*> rows;
};

Picture& Shared() {
  static Picture picture;
  return picture;
}

void ConvertAll(benchmark::State& state, quillo::ColorModel source) {
  Picture& picture = Shared();
  quillo::TColorManager manager;
  manager.SetSourceColorModel(source);
  for (auto _ : state) {
    for (int32_t y = 0; y < kHeight; ++y) {
      const uint8_t* planes[] = {picture.samples.data() + kRowBytes * y};
      manager.ConvertRow(planes, picture.rows[y], kWidth, 0xFF);
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * picture.samples.size()));
}

void RgbToBgr(benchmark::State& state) { ConvertAll(state, quillo::cmRGB); }
void YCbCrToBgr(benchmark::State& state) { ConvertAll(state, quillo::cmYCbCr); }

void PlainCopy(benchmark::State& state) {
  Picture& picture = Shared();
  for (auto _ : state) {
    for (int32_t y = 0; y < kHeight; ++y) {
      std::memcpy(picture.rows[y], picture.samples.data() + kRowBytes * y, kRowBytes);
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * picture.samples.size()));
}

// The machine is shared, so every case runs five times and the ratios use the medians of the
// processor time, which waiting for a turn on the processor does not inflate.
BENCHMARK(PlainCopy)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(RgbToBgr)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(YCbCrToBgr)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

// Prints how much longer each conversion takes than copying the same bytes.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      times_[run.run_name.function_name] = run.GetAdjustedCPUTime();
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    if (times_.count("PlainCopy") == 0) return;
    for (const char* name : {"RgbToBgr", "YCbCrToBgr"}) {
      if (times_.count(name) == 0) continue;
      std::printf("%s ratio (conversion / memcpy of %zu bytes): %.2f\n", name,
                  Shared().samples.size(), times_[name] / times_["PlainCopy"]);
    }
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
