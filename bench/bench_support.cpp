#include "bench_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <stdexcept>

// The library header needs the standard types above.
#include <jpeglib.h>

#include "image/bitmap.h"

extern char** environ;

namespace quillo::bench {

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quillo-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::vector<uint8_t> PhotoRgb(uint32_t width, uint32_t height) {
  std::vector<uint8_t> pixels(size_t{width} * height * 3);
  std::mt19937 random(20240607);
  std::uniform_int_distribution<int> noise(-16, 16);
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* row = pixels.data() + size_t{y} * width * 3;
    for (uint32_t x = 0; x < width; ++x) {
      const double u = double(x) / width;
      const double v = double(y) / height;
      const double texture = 30 * std::sin(x * 0.05) * std::cos(y * 0.037);
      const double base[3] = {90 + 80 * v + texture, 60 + 120 * u * v + texture,
                              120 + 90 * std::sin(3 * u + 2 * v)};
      for (int c = 0; c < 3; ++c) {
        row[3 * x + c] = static_cast<uint8_t>(std::clamp(base[c] + noise(random), 0.0, 255.0));
      }
    }
  }
  return pixels;
}

std::vector<uint8_t> EncodeJpeg(const uint8_t* rgb, int width, int height, int quality,
                                const std::string& app1) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  if (!app1.empty()) {
    jpeg_write_marker(&info, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(app1.data()),
                      static_cast<unsigned>(app1.size()));
  }
  const size_t stride = static_cast<size_t>(width) * 3;
  while (info.next_scanline < info.image_height) {
    auto row = const_cast<JSAMPROW>(rgb + info.next_scanline * stride);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<uint8_t> bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

void FillWithPhoto(TBitmap& bitmap, int32_t width, int32_t height) {
  bitmap.SetPixelFormat(px24Bit);
  bitmap.SetWidth(width);
  bitmap.SetHeight(height);
  const std::vector<uint8_t> rgb = PhotoRgb(width, height);
  const size_t row_bytes = size_t(width) * 3;
  for (int32_t y = 0; y < height; ++y) {
    std::memcpy(bitmap.RowAddress(y), rgb.data() + row_bytes * y, row_bytes);
  }
}

void WritePlain(const std::string& path, const void* data, size_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) throw std::runtime_error("cannot write " + path);
  const auto* bytes = static_cast<const char*>(data);
  for (size_t done = 0; done < size;) {
    const ssize_t n = ::write(fd, bytes + done, size - done);
    if (n <= 0) throw std::runtime_error("cannot write " + path);
    done += static_cast<size_t>(n);
  }
  ::close(fd);
}

void ReadPlain(const std::string& path, std::span<uint8_t> into) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) throw std::runtime_error("cannot read " + path);
  for (size_t done = 0; done < into.size();) {
    const ssize_t n = ::read(fd, into.data() + done, into.size() - done);
    if (n <= 0) throw std::runtime_error("cannot read " + path);
    done += static_cast<size_t>(n);
  }
  ::close(fd);
}

long StatusKb(const char* key) {
  const std::string prefix = std::string(key) + ":";
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(prefix, 0) == 0) return std::stol(line.substr(prefix.size()));
  }
  return -1;
}

bool ResetPeak() {
  std::ofstream reset("/proc/self/clear_refs");
  reset << "5" << std::flush;
  return static_cast<bool>(reset);
}

int PrintMemoryOf(const std::function<void()>& work) {
  const long before = StatusKb("VmRSS");
  work();
  std::printf("%ld %ld\n", before, StatusKb("VmHWM"));
  return 0;
}

// The child's peak is its own high-water mark: unlike the resource usage, it does not carry over
// the spawning process's memory.
std::pair<long, long> MemoryInChild(const std::vector<std::string>& args) {
  std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  std::vector<std::string> texts = args;
  std::vector<char*> argv = {self.data()};
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
  pid_t child = 0;
  const int spawned = ::posix_spawn(&child, self.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe_fds[1]);
  if (spawned != 0) throw std::runtime_error("spawn failed");
  char text[128] = {};
  const ssize_t n = ::read(pipe_fds[0], text, sizeof text - 1);
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  long before = 0;
  long peak = 0;
  if (n <= 0 || std::sscanf(text, "%ld %ld", &before, &peak) != 2 || status != 0) {
    throw std::runtime_error("the measuring child failed");
  }
  return {before, peak};
}

long RunProgram(const std::vector<std::string>& args, const std::string& out_path) {
  std::vector<std::string> texts = args;
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!out_path.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_path.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  pid_t child = 0;
  const int spawned = ::posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot run " + args.front());
  int status = 0;
  rusage usage{};
  if (::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    throw std::runtime_error(args.front() + " failed");
  }
  return usage.ru_maxrss;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double Best(const std::vector<double>& values) {
  return *std::min_element(values.begin(), values.end());
}

std::pair<std::vector<double>, std::vector<double>> AlternateRounds(
    int rounds, const std::function<double()>& first, const std::function<double()>& second) {
  std::vector<double> firsts;
  std::vector<double> seconds;
  for (int round = 0; round <= rounds; ++round) {
    if (round % 2 == 0) {
      firsts.push_back(first());
      seconds.push_back(second());
    } else {
      seconds.push_back(second());
      firsts.push_back(first());
    }
  }
  firsts.erase(firsts.begin());
  seconds.erase(seconds.begin());
  return {firsts, seconds};
}

benchmark::internal::Benchmark* Register(const std::string& name,
                                         std::function<void(benchmark::State&)> body) {
  return benchmark::RegisterBenchmark(
             name.c_str(), [body = std::move(body)](benchmark::State& state) { body(state); })
      ->Unit(benchmark::kMillisecond)
      ->Repetitions(5)
      ->ReportAggregatesOnly();
}

namespace {

// Keeps the medians of the elapsed time and of the time the running thread spent on the
// processor (the machine is shared, so the second is the steadier one) and prints the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(const std::vector<Ratio>& ratios) : ratios_(ratios) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      times_[run.run_name.function_name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const Ratio& ratio : ratios_) {
      if (times_.count(ratio.ours) == 0 || times_.count(ratio.baseline) == 0) continue;
      const auto [ours_real, ours_cpu] = times_[ratio.ours];
      const auto [base_real, base_cpu] = times_[ratio.baseline];
      std::printf("%s: %.2f elapsed, %.2f processor\n", ratio.label.c_str(), ours_real / base_real,
                  ours_cpu / base_cpu);
    }
  }

 private:
  std::vector<Ratio> ratios_;
  std::map<std::string, std::pair<double, double>> times_;
};

}  // namespace

int RunWithRatios(int argc, char** argv, const std::vector<Ratio>& ratios,
                  const std::function<void()>& after) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter(ratios);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  if (after) after();
  return 0;
}

}  // namespace quillo::bench
