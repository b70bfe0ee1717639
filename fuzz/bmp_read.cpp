// Feeds arbitrary bytes to the BMP reader. Whatever loads must also write, read back alike,
// convert and give every row.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "image/bitmap.h"
#include "image/dib.h"
#include "platform/errors.h"
#include "platform/stream.h"

namespace {

// Larger pictures are only read: converting them would slow the search down without reaching
// other code.
constexpr int64_t kMaxWorkedPixels = 1 << 20;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// Pictures may claim up to 2^28 pixels, and the largest claims cost the search more time than
// they give it code; claims above 2^24 pixels are left to the tests.
bool ClaimsHugePicture(const uint8_t* data, size_t size) {
  using quillo::LoadU16;
  using quillo::LoadU32;
  if (size < 26) return false;
  const bool core = LoadU32(data + 14) == 12;
  const int64_t width = core ? LoadU16(data + 18) : static_cast<int32_t>(LoadU32(data + 18));
  const int64_t height = core ? LoadU16(data + 20) : static_cast<int32_t>(LoadU32(data + 22));
  return std::abs(width * height) > (int64_t{1} << 24);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillo;
  if (ClaimsHugePicture(data, size)) return 0;
  TMemoryStream input(std::vector<uint8_t>(data, data + size));
  TBitmap bitmap;
  try {
    bitmap.ReadBmp(input);
  } catch (const Exception&) {
    return 0;
  }
  if (bitmap.Empty() || int64_t{bitmap.Width()} * bitmap.Height() > kMaxWorkedPixels) return 0;

  TMemoryStream written;
  bitmap.WriteBmp(written);
  written.SetPosition(0);
  TBitmap reread;
  reread.ReadBmp(written);
  Check(reread.Width() == bitmap.Width() && reread.Height() == bitmap.Height());
  Check(reread.PixelFormat() == bitmap.PixelFormat());

  bitmap.SetPixelFormat(px24Bit);
  const int64_t last = int64_t{bitmap.Width()} * 3 - 1;
  for (int32_t y = 0; y < bitmap.Height(); ++y) {
    uint8_t* row = bitmap.RowAddress(y);
    row[0] ^= row[last];
  }
  reread.SetWidth(reread.Width() + 1);
  return 0;
}
