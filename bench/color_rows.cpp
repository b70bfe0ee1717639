// Converting the rows of a 6000 x 4000 picture into a 24-bit bitmap, RGB to BGR and YCbCr to
// BGR, against copying the same bytes row by row with memcpy in the same run. Prints the two
// ratios at the end (the processor figure is the steadier one on a shared machine).
#include <cstring>

#include "bench_support.h"
#include "image/bitmap.h"
#include "imagelib/color_manager.h"

namespace {

using namespace quillo::bench;

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;
constexpr size_t kRowBytes = size_t{kWidth} * 3;

// The decoded samples of the whole picture and the bitmap they go into, made once.
struct Picture {
  Picture() : samples(PhotoRgb(kWidth, kHeight)) {
    bitmap.SetPixelFormat(quillo::px24Bit);
    bitmap.SetWidth(kWidth);
    bitmap.SetHeight(kHeight);
    for (int32_t y = 0; y < kHeight; ++y) rows.push_back(bitmap.RowAddress(y));
  }

  std::vector<uint8_t> samples;
  quillo::TBitmap bitmap;
  std::vector<uint8_t*> rows;
};

void ConvertAll(benchmark::State& state, Picture& picture, quillo::ColorModel source) {
  quillo::TColorManager manager;
  manager.SetSourceColorModel(source);
  for (auto _ : state) {
    for (int32_t y = 0; y < kHeight; ++y) {
      const uint8_t* planes[] = {picture.samples.data() + kRowBytes * y};
      manager.ConvertRow(planes, picture.rows[y], kWidth, 0xFF);
    }
    benchmark::ClobberMemory();
  }
}

}  // namespace

int main(int argc, char** argv) {
  Picture picture;
  Register("PlainCopy", [&](benchmark::State& state) {
    for (auto _ : state) {
      for (int32_t y = 0; y < kHeight; ++y) {
        std::memcpy(picture.rows[y], picture.samples.data() + kRowBytes * y, kRowBytes);
      }
      benchmark::ClobberMemory();
    }
  });
  Register("RgbToBgr", [&](benchmark::State& s) { ConvertAll(s, picture, quillo::cmRGB); });
  Register("YCbCrToBgr", [&](benchmark::State& s) { ConvertAll(s, picture, quillo::cmYCbCr); });
  return RunWithRatios(argc, argv,
                       {{"RGB to BGR ratio (conversion / memcpy)", "RgbToBgr", "PlainCopy"},
                        {"YCbCr to BGR ratio (conversion / memcpy)", "YCbCrToBgr", "PlainCopy"}});
}
