#include "image/tiff_write.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "image/dib_export.h"
#include "image/image_messages.h"
#include "image/tiff_rows.h"
#include "platform/errors.h"
#include "platform/file_stream.h"

namespace quillo {
namespace {

enum TFieldType : uint16_t { kAscii = 2, kShort = 3, kLong = 4, kRational = 5 };

// The photometric interpretations written.
enum TPhotometric : uint16_t { kWhiteIsZero = 0, kBlackIsZero = 1, kRgb = 2, kPaletteColor = 3 };

// Written with its terminating zero, as TIFF readers expect of an ASCII value: count 11.
constexpr char kSoftware[] = "Brenquatil";
constexpr uint32_t kSoftwareLength = sizeof kSoftware;
// 877 / 10 = 87.7 pixels per inch, horizontally and vertically.
constexpr uint32_t kResolution[2] = {877, 10};
constexpr uint16_t kResolutionUnitInch = 2;
constexpr uint16_t kNoCompression = 1;
constexpr uint16_t kChunky = 1;
constexpr uint32_t kFirstItemOffset = 8;

struct TEntry {
  uint16_t tag;
  uint16_t type;
  uint32_t count;
  uint32_t value;  // a SHORT sits in the low 16 bits
};

// How the picture is written, read off the exported header and colour table.
struct TTiffLayout {
  uint16_t bits = 0;  // per sample; 8 for the red, green, blue layout
  TPhotometric photometric = kRgb;
  int colors = 0;  // colour-map entries; 0 without a map
};

bool IsColor(const uint8_t* entry, uint8_t value) {
  return entry[0] == value && entry[1] == value && entry[2] == value;
}

TTiffLayout ChooseLayout(uint16_t bit_count, const uint8_t* color_table) {
  switch (bit_count) {
    case 1:
      // Two-level files describe only black and white; any other pair needs a colour map.
      if (IsColor(color_table, 0) && IsColor(color_table + 4, 0xFF)) return {1, kBlackIsZero, 0};
      if (IsColor(color_table, 0xFF) && IsColor(color_table + 4, 0)) return {1, kWhiteIsZero, 0};
      return {1, kPaletteColor, 2};
    case 4:
    case 8:
      return {bit_count, kPaletteColor, 1 << bit_count};
    case 16:
    case 24:
    case 32:
      return {8, kRgb, 0};
    default:
      throw EInvalidGraphic(kInvalidPixelFormatMessage);
  }
}

// Red values, then green, then blue, each 16 bits, so that 65535 is full intensity.
std::vector<uint8_t> ColorMap(const uint8_t* color_table, int colors) {
  std::vector<uint8_t> map(static_cast<size_t>(colors) * 6);
  for (int i = 0; i < colors; ++i) {
    const uint8_t* entry = color_table + 4 * i;  // blue, green, red, 0
    for (int channel = 0; channel < 3; ++channel) {
      StoreU16(map.data() + 2 * (channel * colors + i),
               static_cast<uint16_t>(entry[2 - channel] * 257));
    }
  }
  return map;
}

// Width and length stay SHORT whenever they fit, as every reader expects; larger ones take LONG.
TEntry Dimension(uint16_t tag, int32_t value) {
  return {tag, value <= 0xFFFF ? kShort : kLong, 1, static_cast<uint32_t>(value)};
}

// The stream with the offset of every byte written, counted from where the TIFF starts.
class TTiffOut {
 public:
  explicit TTiffOut(TStream& stream) : stream_(stream), start_(stream.Position()) {}

  uint32_t Offset() const { return static_cast<uint32_t>(offset_); }
  void Put(const void* bytes, int64_t count) {
    stream_.WriteBuffer(bytes, count);
    offset_ += count;
  }
  // Overwrites four bytes written earlier and returns to the end.
  void PatchU32(uint32_t at, uint32_t value) {
    uint8_t bytes[4];
    StoreU32(bytes, value);
    SeekTo(at);
    stream_.WriteBuffer(bytes, 4);
    SeekTo(offset_);
  }

 private:
  void SeekTo(int64_t offset) {
    if (stream_.Seek(start_ + offset, soBeginning) != start_ + offset) {
      throw EWriteError(kWriteErrorMessage);
    }
  }

  TStream& stream_;
  int64_t start_;
  int64_t offset_ = 0;
};

// The rows top row first, whichever order the export holds them in. Rows are gathered into
// chunks of about kChunkBytes, so that a large picture takes few write calls and little memory.
void PutRows(TTiffOut& out, const TBitmap& bitmap, const TBitmapInfoHeader& info,
             TTiffRowMaker& maker) {
  constexpr int64_t kChunkBytes = int64_t{1} << 20;
  const int32_t rows = std::abs(info.height);
  const int64_t row_bytes = maker.RowBytes();
  const int64_t chunk_rows = std::clamp<int64_t>(kChunkBytes / row_bytes, 1, rows);
  std::vector<uint8_t> chunk(static_cast<size_t>(chunk_rows * row_bytes));
  int64_t filled = 0;
  for (int32_t y = 0; y < rows; ++y) {
    maker.Make(ExportedRow(bitmap, info.height > 0 ? rows - 1 - y : y),
               chunk.data() + filled * row_bytes);
    if (++filled == chunk_rows || y == rows - 1) {
      out.Put(chunk.data(), filled * row_bytes);
      filled = 0;
    }
  }
}

// Where the out-of-line items went.
struct TItemOffsets {
  uint32_t color_map = 0;
  uint32_t x_resolution = 0;
  uint32_t y_resolution = 0;
  uint32_t bits_per_sample = 0;
  uint32_t software = 0;
  uint32_t pixels = 0;
};

// The entries in ascending tag order.
std::vector<TEntry> DirectoryEntries(const TBitmapInfoHeader& info, const TTiffLayout& layout,
                                     const TItemOffsets& at, uint32_t strip_bytes) {
  const bool rgb = layout.photometric == kRgb;
  const auto rows = static_cast<uint32_t>(std::abs(info.height));
  std::vector<TEntry> entries = {
      {254, kLong, 1, 0},
      Dimension(256, info.width),
      Dimension(257, static_cast<int32_t>(rows)),
      rgb ? TEntry{258, kShort, 3, at.bits_per_sample} : TEntry{258, kShort, 1, layout.bits},
      {259, kShort, 1, kNoCompression},
      {262, kShort, 1, layout.photometric},
      {273, kLong, 1, at.pixels},
      {277, kShort, 1, rgb ? 3u : 1u},
      {278, kLong, 1, rows},
      {279, kLong, 1, strip_bytes},
      {282, kRational, 1, at.x_resolution},
      {283, kRational, 1, at.y_resolution},
  };
  if (rgb) entries.push_back({284, kShort, 1, kChunky});
  entries.push_back({296, kShort, 1, kResolutionUnitInch});
  entries.push_back({305, kAscii, kSoftwareLength, at.software});
  if (layout.colors > 0) {
    entries.push_back({320, kShort, 3 * static_cast<uint32_t>(layout.colors), at.color_map});
  }
  return entries;
}

// The entry count, the entries and a zero next-directory offset.
void PutDirectory(TTiffOut& out, const std::vector<TEntry>& entries) {
  std::vector<uint8_t> bytes(2 + 12 * entries.size() + 4);
  StoreU16(bytes.data(), static_cast<uint16_t>(entries.size()));
  uint8_t* p = bytes.data() + 2;
  for (const TEntry& e : entries) {
    StoreU16(p, e.tag);
    StoreU16(p + 2, e.type);
    StoreU32(p + 4, e.count);
    StoreU32(p + 8, e.value);
    p += 12;
  }
  out.Put(bytes.data(), static_cast<int64_t>(bytes.size()));
}

}  // namespace

void SaveTiffFile(const std::string& path, TBitmap& bitmap) {
  TFileStream file(path, fmCreate);
  WriteTiff(file, bitmap);
  file.Commit();
}

void WriteTiff(TStream& stream, TBitmap& bitmap) {
  // The handle also drops the colours-used count, so the export carries the whole colour table.
  if (bitmap.Handle() == nullptr) throw EInvalidGraphic(kInvalidBitmapMessage);
  std::vector<uint8_t> header(DibSizes(bitmap).header_size);
  if (!ExportDibHeader(bitmap, header.data())) throw EInvalidGraphic(kInvalidBitmapMessage);
  const TBitmapInfoHeader info = LoadInfoHeader(header.data());
  const uint8_t* color_table = header.data() + kInfoHeaderSize;
  const TTiffLayout layout = ChooseLayout(info.bit_count, color_table);
  const bool bilevel = layout.photometric <= kBlackIsZero;
  TTiffRowMaker maker(bitmap.Image(), info);
  const auto strip_bytes = static_cast<uint32_t>(CheckedSize(
      static_cast<uint64_t>(std::abs(info.height)), static_cast<uint64_t>(maker.RowBytes())));

  TTiffOut out(stream);
  const uint8_t file_header[8] = {'I', 'I', 42, 0, kFirstItemOffset, 0, 0, 0};
  out.Put(file_header, sizeof file_header);
  TItemOffsets at;
  if (bilevel) {
    at.pixels = out.Offset();
    PutRows(out, bitmap, info, maker);
  } else if (layout.colors > 0) {
    at.color_map = out.Offset();
    const std::vector<uint8_t> map = ColorMap(color_table, layout.colors);
    out.Put(map.data(), static_cast<int64_t>(map.size()));
  }
  uint8_t resolution[8];
  StoreU32(resolution, kResolution[0]);
  StoreU32(resolution + 4, kResolution[1]);
  at.x_resolution = out.Offset();
  out.Put(resolution, sizeof resolution);
  at.y_resolution = out.Offset();
  out.Put(resolution, sizeof resolution);
  if (layout.photometric == kRgb) {
    const uint8_t eight_bits[6] = {8, 0, 8, 0, 8, 0};
    at.bits_per_sample = out.Offset();
    out.Put(eight_bits, sizeof eight_bits);
  }
  at.software = out.Offset();
  out.Put(kSoftware, kSoftwareLength);
  if (!bilevel) {
    at.pixels = out.Offset();
    PutRows(out, bitmap, info, maker);
  }
  const uint32_t directory = out.Offset();
  PutDirectory(out, DirectoryEntries(info, layout, at, strip_bytes));
  out.PatchU32(4, directory);
}

}  // namespace quillo
