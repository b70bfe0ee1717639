// Feeds arbitrary bytes to the TIFF reader. Every input must load or end with one of our errors;
// a loaded picture must give every row. Seeds: fuzz/corpus/tiff_read and the shared test files,
// named at run time (fuzz_tiff_read <work folder> fuzz/corpus/tiff_read ../shared/corpus/tiff).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imagelib/tiff/tiff_graphic.h"
#include "platform/errors.h"
#include "platform/stream.h"

namespace {

// Pictures may claim up to 2^28 pixels; claims above 2^24 cost the search more time than they
// give it code and are left to the tests.
constexpr int64_t kMaxFuzzedPixels = int64_t{1} << 24;

bool ClaimsHugePicture(quillo::TMemoryStream& input) {
  quillo::TTIFFGraphic probe;
  try {
    if (!probe.ReadProperties(input, 0)) return false;
  } catch (const quillo::Exception&) {
    return false;
  }
  const auto& p = probe.Properties();
  return int64_t{p.Width} * p.Height > kMaxFuzzedPixels;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillo;
  TMemoryStream input(std::vector<uint8_t>(data, data + size));
  if (ClaimsHugePicture(input)) return 0;
  input.SetPosition(0);
  TTIFFGraphic graphic;
  try {
    graphic.LoadFromStream(input);
  } catch (const Exception&) {
    return 0;
  }
  // Every row of a loaded picture is there to be read.
  volatile uint8_t sink = 0;
  for (int32_t y = 0; y < graphic.Height(); ++y) sink = sink ^ graphic.RowAddress(y)[0];
  return 0;
}
