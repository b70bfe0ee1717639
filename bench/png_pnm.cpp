// Loading a 3000 x 2000 colour picture as PNG and as a raw portable pixel map, against libpng's
// own decode of the same PNG and plain file reading of the same map in the same run. Prints the
// two ratios at the end.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "imagelib/formats/png_graphic.h"
#include "imagelib/formats/portable_map.h"

namespace {

constexpr int kWidth = 3000;
constexpr int kHeight = 2000;

// A scratch folder for the run, with both files written once from the same smooth picture.
class Scratch {
 public:
  Scratch() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillo-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    dir_ = pattern;
    std::vector<uint8_t> rgb(size_t{kWidth} * kHeight * 3);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        uint8_t* p = &rgb[(size_t{y} * kWidth + x) * 3];
        p[0] = static_cast<uint8_t>(x / 12 + y / 30);
        p[1] = static_cast<uint8_t>(y / 8);
        p[2] = static_cast<uint8_t>((x ^ y) / 16);
      }
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = kWidth;
    image.height = kHeight;
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, Png().c_str(), 0, rgb.data(), 0, nullptr)) std::abort();
    std::ofstream ppm(Ppm(), std::ios::binary);
    ppm << "P6\n" << kWidth << " " << kHeight << "\n255\n";
    ppm.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
  }
  ~Scratch() { std::filesystem::remove_all(dir_); }

  std::string Png() const { return (dir_ / "picture.png").string(); }
  std::string Ppm() const { return (dir_ / "picture.ppm").string(); }

 private:
  std::filesystem::path dir_;
};

Scratch& Files() {
  static Scratch scratch;
  return scratch;
}

void ReadPng(benchmark::State& state) {
  for (auto _ : state) {
    quillo::TPNGGraphic png;
    png.LoadFile(Files().Png());
    benchmark::DoNotOptimize(png.Image().pixels.Data());
  }
}

void DecodeLibpng(benchmark::State& state) {
  std::vector<uint8_t> pixels(size_t{kWidth} * kHeight * 3);
  for (auto _ : state) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, Files().Png().c_str())) std::abort();
    image.format = PNG_FORMAT_BGR;
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) std::abort();
    benchmark::DoNotOptimize(pixels.data());
  }
}

void ReadPpm(benchmark::State& state) {
  for (auto _ : state) {
    quillo::TPPMGraphic ppm;
    ppm.LoadFile(Files().Ppm());
    benchmark::DoNotOptimize(ppm.Image().pixels.Data());
  }
}

void ReadPlain(benchmark::State& state) {
  const auto size = static_cast<size_t>(std::filesystem::file_size(Files().Ppm()));
  std::vector<char> bytes(size);
  for (auto _ : state) {
    std::ifstream in(Files().Ppm(), std::ios::binary);
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    benchmark::DoNotOptimize(bytes.data());
  }
}

// The machine is shared, so every case runs five times and the ratios use the medians.
BENCHMARK(ReadPng)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(DecodeLibpng)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(ReadPpm)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(ReadPlain)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

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
    Print("PNG load / libpng decode", "ReadPng", "DecodeLibpng");
    Print("Raw pixel map load / plain file read", "ReadPpm", "ReadPlain");
  }

 private:
  void Print(const char* what, const std::string& ours, const std::string& base) {
    if (times_.count(ours) == 0 || times_.count(base) == 0) return;
    std::printf("%s: %.2f\n", what, times_[ours] / times_[base]);
  }

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
