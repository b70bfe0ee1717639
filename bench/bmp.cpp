// Reading and writing a 6000 x 4000 24-bit BMP file, against moving the same number of bytes
// with plain file I/O in the same run. Prints the two ratios at the end.
#include "bench_support.h"
#include "image/bitmap.h"
#include "image/pixel_buffer.h"

namespace {

using namespace quillo::bench;

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;

// The scratch folder with the picture written once.
struct Files {
  Files() {
    FillWithPhoto(picture, kWidth, kHeight);
    picture.SaveFile(source);
    size = static_cast<size_t>(std::filesystem::file_size(source));
  }

  ScratchDir scratch;
  std::string source = scratch.File("source.bmp");
  std::string target = scratch.File("target.bmp");
  quillo::TBitmap picture;
  size_t size = 0;
};

}  // namespace

int main(int argc, char** argv) {
  Files files;
  Register("ReadBmp", [&](benchmark::State& state) {
    for (auto _ : state) {
      quillo::TBitmap bitmap;
      bitmap.LoadFile(files.source);
      benchmark::DoNotOptimize(bitmap.Image().pixels.Data());
    }
  });
  Register("ReadPlain", [&](benchmark::State& state) {
    for (auto _ : state) {
      // Allocated as a bitmap's store is, so that both sides pay the same for their memory.
      quillo::TPixelBuffer buffer(files.size);
      ReadPlain(files.source, {buffer.Data(), files.size});
      benchmark::DoNotOptimize(buffer.Data());
    }
  });
  Register("WriteBmp", [&](benchmark::State& state) {
    for (auto _ : state) files.picture.SaveFile(files.target);
  });
  const std::vector<uint8_t> bytes(files.size, 0x5A);
  Register("WritePlain", [&](benchmark::State& state) {
    for (auto _ : state) WritePlain(files.target, bytes.data(), bytes.size());
  });
  return RunWithRatios(
      argc, argv,
      {{"Read ratio (BMP / plain read of the same bytes)", "ReadBmp", "ReadPlain"},
       {"Write ratio (BMP / plain write of the same bytes)", "WriteBmp", "WritePlain"}});
}
