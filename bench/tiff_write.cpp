// Writing a 6000 x 4000 24-bit picture as a TIFF file, against writing the same number of bytes
// with plain file I/O in the same run. Prints the ratio and the writer's peak memory beyond the
// picture at the end.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "image/tiff_write.h"

namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;

// A scratch folder for the run, with the picture made once.
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
    quillo::SaveTiffFile(Target(), picture_);
    size_ = static_cast<size_t>(std::filesystem::file_size(Target()));
  }
  ~Scratch() { std::filesystem::remove_all(dir_); }

  std::string Target() const { return (dir_ / "target.tif").string(); }
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

void WriteTiff(benchmark::State& state) {
  for (auto _ : state) quillo::SaveTiffFile(Files().Target(), Files().Picture());
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

// The machine is shared, so every case runs five times and the ratio uses the medians.
BENCHMARK(WriteTiff)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(WritePlain)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

// A kB figure of /proc/self/status ("VmRSS", "VmHWM").
long StatusKb(const std::string& key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(key + ":", 0) == 0)
      return std::strtol(line.c_str() + key.size() + 1, nullptr, 10);
  }
  return -1;
}

// The peak resident memory of one write beyond what the process holds before it (the picture
// included): the kernel's high-water mark is reset first. Negative when the mark cannot be reset.
long PeakBeyondPictureKb() {
  Files();
  std::ofstream reset("/proc/self/clear_refs");
  reset << "5" << std::flush;
  if (!reset) return -1;
  const long before = StatusKb("VmRSS");
  quillo::SaveTiffFile(Files().Target(), Files().Picture());
  return StatusKb("VmHWM") - before;
}

// Prints how much longer the TIFF writer takes than plain I/O of the same bytes, from the medians
// of the repetitions.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(long peak_kb) : peak_kb_(peak_kb) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      times_[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    if (times_.count("WriteTiff") != 0 && times_.count("WritePlain") != 0) {
      std::printf("Write ratio (TIFF / plain I/O of %zu bytes): %.2f\n", Files().Size(),
                  times_["WriteTiff"] / times_["WritePlain"]);
    }
    std::printf("Peak memory of one write beyond the %d x %d picture: %ld kB\n", kWidth, kHeight,
                peak_kb_);
  }

 private:
  long peak_kb_;
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter(PeakBeyondPictureKb());
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
