// Feeds arbitrary bytes to the format registry's content search and then to the reader of the
// class it finds. A load either raises one of our errors, keeping no picture or the rows read so
// far, or gives a picture of the size the reader's properties announced, every row of which can
// be read.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imagelib/format_registry.h"
#include "imagelib/reader_graphic.h"
#include "platform/errors.h"
#include "platform/stream.h"

namespace {

// Claims above this are refused by the search only, not decoded: the largest legal pictures
// cost the search time without reaching other code.
constexpr int64_t kMaxWorkedPixels = 1 << 22;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

const quillo::TFileFormatList& Registry() {
  static const auto* registry = [] {
    auto* list = new quillo::TFileFormatList();
    quillo::RegisterFileFormats(*list);
    return list;
  }();
  return *registry;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillo;
  TMemoryStream input(std::vector<uint8_t>(data, data + size));
  const TGraphicClass* found = Registry().ClassForStream(input);
  Check(input.Position() == 0);
  if (found == nullptr) return 0;
  auto graphic = found->Create();
  auto* reader = dynamic_cast<TReaderGraphic*>(graphic.get());
  Check(reader != nullptr);
  // Every error of ours, the properties' included, is an answer; only a crash is a finding.
  try {
    if (reader->ReadProperties(input, 0)) {
      const TImageProperties& p = reader->Properties();
      if (int64_t{p.Width} * p.Height > kMaxWorkedPixels) return 0;
    }
    input.SetPosition(0);
    reader->LoadFromStream(input);
  } catch (const Exception&) {
    // A reader may keep the rows it read before the error (TIFF does); they must hold up as a
    // whole picture does.
    if (reader->Empty()) return 0;
  }
  Check(!reader->Empty());
  Check(reader->Width() == reader->Properties().Width);
  Check(reader->Height() == reader->Properties().Height);
  reader->SetPixelFormat(px24Bit);
  const int64_t last = int64_t{reader->Width()} * 3 - 1;
  for (int32_t y = 0; y < reader->Height(); ++y) {
    uint8_t* row = reader->RowAddress(y);
    row[0] ^= row[last];
  }
  return 0;
}
