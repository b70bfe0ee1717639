// Feeds arbitrary bytes to the JPEG adapter: load, then decode with options taken from the last
// byte. Whatever decodes must have the size the header promised, encode, and load again alike.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/jpeg_image.h"
#include "platform/errors.h"
#include "platform/stream.h"

namespace {

// The largest claims cost the search more time than they give it code; claims above 2^22
// pixels only have their header read, and the tests cover the limit itself.
constexpr int64_t kMaxDecodedPixels = int64_t{1} << 22;
constexpr int64_t kMaxReencodedPixels = int64_t{1} << 16;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void ChooseOptions(quillo::TJpegOptions& options, uint8_t bits) {
  options.JpegScale = bits & 3;
  options.JpegGrayscale = (bits & 4) != 0;
  options.JpegPixelFormat = (bits & 8) != 0 ? quillo::jpf8Bit : quillo::jpf24Bit;
  options.JpegPerformance = (bits & 16) != 0 ? quillo::jpsBestSpeed : quillo::jpsBestQuality;
  options.JpegProgressiveDisplay = (bits & 32) != 0;
  options.JpegSmoothing = (bits & 64) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillo;
  TMemoryStream input(std::vector<uint8_t>(data, data + size));
  TJPEGImage jpeg;
  if (size > 0) ChooseOptions(jpeg.Options(), data[size - 1]);
  try {
    jpeg.LoadFromStream(input);
    if (int64_t{jpeg.Width()} * jpeg.Height() > kMaxDecodedPixels) return 0;
    const int32_t width = jpeg.Width();
    const int32_t height = jpeg.Height();
    TBitmap& bitmap = jpeg.DecodeToBitmap();
    Check(bitmap.Width() == width && bitmap.Height() == height);
    Check(bitmap.PixelFormat() == px24Bit || bitmap.PixelFormat() == px8Bit);
  } catch (const Exception&) {
    return 0;
  }
  if (int64_t{jpeg.Width()} * jpeg.Height() > kMaxReencodedPixels || jpeg.Width() == 0) return 0;

  TBitmap bitmap;
  bitmap.AssignFrom(&jpeg);
  TJPEGImage encoded;
  encoded.AssignFrom(&bitmap);
  TMemoryStream written;
  encoded.SaveToStream(written);
  written.SetPosition(0);
  TJPEGImage reread;
  reread.LoadFromStream(written);
  Check(reread.Width() == bitmap.Width() && reread.Height() == bitmap.Height());
  Check(reread.DecodeToBitmap().Width() == bitmap.Width());
  return 0;
}
