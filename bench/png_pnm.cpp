// Loading a 3000 x 2000 colour picture as PNG and as a raw portable pixel map, against libpng's
// own decode of the same PNG and plain file reading of the same map in the same run. Prints the
// two ratios at the end.
#include <png.h>

#include <cstdlib>
#include <fstream>

#include "bench_support.h"
#include "image/pixel_buffer.h"
#include "imagelib/formats/png_graphic.h"
#include "imagelib/formats/portable_map.h"

namespace {

using namespace quillo::bench;

constexpr int kWidth = 3000;
constexpr int kHeight = 2000;

// Both files written once from the same picture.
void WriteFiles(const std::string& png_path, const std::string& ppm_path) {
  const std::vector<uint8_t> rgb = PhotoRgb(kWidth, kHeight);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = kWidth;
  image.height = kHeight;
  image.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&image, png_path.c_str(), 0, rgb.data(), 0, nullptr)) std::abort();
  std::ofstream ppm(ppm_path, std::ios::binary);
  ppm << "P6\n" << kWidth << " " << kHeight << "\n255\n";
  ppm.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
}

}  // namespace

int main(int argc, char** argv) {
  const ScratchDir scratch;
  const std::string png = scratch.File("picture.png");
  const std::string ppm = scratch.File("picture.ppm");
  WriteFiles(png, ppm);
  Register("ReadPng", [&](benchmark::State& state) {
    for (auto _ : state) {
      quillo::TPNGGraphic graphic;
      graphic.LoadFile(png);
      benchmark::DoNotOptimize(graphic.Image().pixels.Data());
    }
  });
  Register("DecodeLibpng", [&](benchmark::State& state) {
    std::vector<uint8_t> pixels(size_t{kWidth} * kHeight * 3);
    for (auto _ : state) {
      png_image image{};
      image.version = PNG_IMAGE_VERSION;
      if (!png_image_begin_read_from_file(&image, png.c_str())) std::abort();
      image.format = PNG_FORMAT_BGR;
      if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) std::abort();
      benchmark::DoNotOptimize(pixels.data());
    }
  });
  Register("ReadPpm", [&](benchmark::State& state) {
    for (auto _ : state) {
      quillo::TPPMGraphic graphic;
      graphic.LoadFile(ppm);
      benchmark::DoNotOptimize(graphic.Image().pixels.Data());
    }
  });
  Register("ReadPlain", [&](benchmark::State& state) {
    const auto size = static_cast<size_t>(std::filesystem::file_size(ppm));
    for (auto _ : state) {
      quillo::TPixelBuffer buffer(size);
      ReadPlain(ppm, {buffer.Data(), size});
      benchmark::DoNotOptimize(buffer.Data());
    }
  });
  return RunWithRatios(argc, argv,
                       {{"PNG load / libpng decode", "ReadPng", "DecodeLibpng"},
                        {"Raw pixel map load / plain file read", "ReadPpm", "ReadPlain"}});
}
