// Writing a 6000 x 4000 24-bit picture as a TIFF file, against writing the same number of bytes
// with plain file I/O in the same run. Prints the ratio and the writer's peak memory beyond the
// picture at the end.
#include <cstdio>

#include "bench_support.h"
#include "image/bitmap.h"
#include "image/tiff_write.h"

namespace {

using namespace quillo::bench;

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;

// The peak resident memory of one write beyond what the process holds before it (the picture
// included). Negative when the kernel's high-water mark cannot be reset.
long PeakBeyondPictureKb(const std::string& target, quillo::TBitmap& picture) {
  if (!ResetPeak()) return -1;
  const long before = StatusKb("VmRSS");
  quillo::SaveTiffFile(target, picture);
  return StatusKb("VmHWM") - before;
}

}  // namespace

int main(int argc, char** argv) {
  const ScratchDir scratch;
  const std::string target = scratch.File("target.tif");
  quillo::TBitmap picture;
  FillWithPhoto(picture, kWidth, kHeight);
  const long peak_kb = PeakBeyondPictureKb(target, picture);
  const std::vector<uint8_t> bytes(static_cast<size_t>(std::filesystem::file_size(target)), 0x5A);

  Register("WriteTiff", [&](benchmark::State& state) {
    for (auto _ : state) quillo::SaveTiffFile(target, picture);
  });
  Register("WritePlain", [&](benchmark::State& state) {
    for (auto _ : state) WritePlain(target, bytes.data(), bytes.size());
  });
  return RunWithRatios(
      argc, argv,
      {{"Write ratio (TIFF / plain write of the same bytes)", "WriteTiff", "WritePlain"}}, [&] {
        std::printf("Peak memory of one write beyond the %d x %d picture: %ld kB\n", kWidth,
                    kHeight, peak_kb);
      });
}
