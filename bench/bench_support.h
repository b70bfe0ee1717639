// What every benchmark program shares: a scratch folder, the photo-like test picture, the plain
// I/O the baselines do, timing of alternating rounds, peak memory, and the ratio report.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillo {
class TBitmap;
}

namespace quillo::bench {

// A temporary folder for one run, removed at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string File(std::string_view name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// A photograph-like 8-bit RGB picture, rows top-down and width * 3 bytes each: smooth light,
// coarse texture and sensor noise, so that codecs meet what they meet in photos.
std::vector<uint8_t> PhotoRgb(uint32_t width, uint32_t height);

// libjpeg-turbo's encoding of 8-bit RGB rows with the library's defaults at `quality`
// (baseline, 4:2:0), with `app1` written as an APP1 marker behind the JFIF header when given.
std::vector<uint8_t> EncodeJpeg(const uint8_t* rgb, int width, int height, int quality,
                                const std::string& app1 = {});

// The same picture in a 24-bit bitmap.
void FillWithPhoto(TBitmap& bitmap, int32_t width, int32_t height);

// The baselines' plain I/O: one write(2) or read(2) loop over the whole file.
void WritePlain(const std::string& path, const void* data, size_t size);
// Reads the first `into.size()` bytes of the file; the caller allocates, as the contender does.
void ReadPlain(const std::string& path, std::span<uint8_t> into);

// A kB figure of /proc/self/status ("VmHWM", "VmRSS").
long StatusKb(const char* key);

// Resets the kernel's high-water mark of this process, so that VmHWM tells the peak of what comes
// next. False where it cannot be reset.
bool ResetPeak();

// Runs this program again with `args` and returns the two numbers the child prints: its resident
// memory before the work and its peak, in kB. The child side is `PrintMemoryOf`.
std::pair<long, long> MemoryInChild(const std::vector<std::string>& args);
int PrintMemoryOf(const std::function<void()>& work);

// Runs a program found on the PATH with `args` (the first is its name), output to `out_path`
// when given, and waits for it. Returns its peak resident memory in kB; throws unless it exits 0.
long RunProgram(const std::vector<std::string>& args, const std::string& out_path = {});

template <typename Work>
double Seconds(Work&& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values);
double Best(const std::vector<double>& values);

// Times two contenders over `rounds` rounds after one warm-up round, alternating which goes first
// so that neither always runs in the other's wake. Each returns its own time in seconds.
std::pair<std::vector<double>, std::vector<double>> AlternateRounds(
    int rounds, const std::function<double()>& first, const std::function<double()>& second);

// Registers a case that runs five times (the machine is shared), reported in ms as medians.
benchmark::internal::Benchmark* Register(const std::string& name,
                                         std::function<void(benchmark::State&)> body);

// One printed ratio: the median time of `ours` over the median time of `baseline`.
struct Ratio {
  std::string label;
  std::string ours;
  std::string baseline;
};

// Runs every registered case and prints "<label>: X.XX elapsed, Y.YY processor" for each ratio,
// then calls `after` for further lines such as peak memory. Returns main's exit code.
int RunWithRatios(int argc, char** argv, const std::vector<Ratio>& ratios,
                  const std::function<void()>& after = {});

}  // namespace quillo::bench
