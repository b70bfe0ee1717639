// Reading and writing a 6000 x 4000 24-bit BMP file, against moving the same number of bytes
// with plain file I/O in the same run. Prints the two ratios at the end.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "image/bitmap.h"

namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;

// A scratch folder for the run, with the picture written once.
class Scratch {
 public:
  Scratch() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillo-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    dir_ = pattern;
    picture_.SetPixelFormat(quillo::px24Bit);
    picture_.SetWidth(kWidth);
    picture_.SetHeight(kHeight);
    for (int32_t y = 0; y < kHeight; ++y) {
      uint8_t* row = picture_.RowAddress(y);
      for (int32_t i = 0; i < kWidth * 3; ++i) row[i] = static_cast<uint8_t>(i * 7 + y);
    }
    picture_.SaveFile(Source());
    size_ = static_cast<size_t>(std::filesystem::file_size(Source()));
  }
  ~Scratch() { std::filesystem::remove_all(dir_); }

  std::string Source() const { return (dir_ / "source.bmp").string(); }
  std::string Target() const { return (dir_ / "target.bmp").string(); }
  quillo::TBitmap& Picture() { return picture_; }
  size_t Size() const { return size_; }

 private:
  std::filesystem::path dir_;
  quillo::TBitmap picture_;
  size_t size_ = 0;
};

Scratch& Files() {
  static Scratch scratch;
  return scratch;
}

void ReadBmp(benchmark::State& state) {
  for (auto _ : state) {
    quillo::TBitmap bitmap;
    bitmap.LoadFile(Files().Source());
    benchmark::DoNotOptimize(bitmap.Image().pixels.Data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Files().Size()));
}

void ReadPlain(benchmark::State& state) {
  const size_t size = Files().Size();
  for (auto _ : state) {
    std::unique_ptr<char[]> buffer(new char[size]);
    const int fd = ::open(Files().Source().c_str(), O_RDONLY);
    size_t done = 0;
    while (done < size) {
      const ssize_t n = ::read(fd, buffer.get() + done, size - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    ::close(fd);
    benchmark::DoNotOptimize(buffer.get());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void WriteBmp(benchmark::State& state) {
  for (auto _ : state) Files().Picture().SaveFile(Files().Target());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Files().Size()));
}

void WritePlain(benchmark::State& state) {
  const std::vector<char> bytes(Files().Size(), '\x5A');
  for (auto _ : state) {
    const int fd = ::open(Files().Target().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    ::close(fd);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

// The machine is shared, so every case runs five times and the ratios use the medians.
BENCHMARK(ReadBmp)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(ReadPlain)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(WriteBmp)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(WritePlain)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

// Prints how much longer the BMP operations take than plain I/O of the same bytes, from the
// medians of the repetitions.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      times_[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const char* kind : {"Read", "Write"}) {
      const std::string bmp = std::string(kind) + "Bmp";
      const std::string plain = std::string(kind) + "Plain";
      if (times_.count(bmp) == 0 || times_.count(plain) == 0) continue;
      std::printf("%s ratio (BMP / plain I/O of %zu bytes): %.2f\n", kind, Files().Size(),
                  times_[bmp] / times_[plain]);
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
