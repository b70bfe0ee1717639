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
constexpr TTiffResolution kFixedResolution = {{877, 10}, {877, 10}, 2};
constexpr uint16_t kChunky = 1;
constexpr uint16_t kHorizontalDifferencing = 2;
constexpr uint32_t kFirstItemOffset = 8;
// Compressed strips hold about this many bytes of rows, so that a reader needs little memory.
constexpr int64_t kStripBytes = int64_t{1} << 16;

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

// A grey picture's indices are its grey levels, so differences of neighbours stay small.
bool IsGreyRamp(const TTiffLayout& layout, const uint8_t* color_table) {
  if (layout.bits != 8 || layout.colors != 256) return false;
  for (int i = 0; i < 256; ++i) {
    if (!IsColor(color_table + 4 * i, static_cast<uint8_t>(i))) return false;
  }
  return true;
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

TTiffEntry Entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
  TTiffEntry entry{tag, type, count, {}};
  if (type == kShort && count == 1) {
    StoreU16(entry.field.data(), static_cast<uint16_t>(value));
  } else {
    StoreU32(entry.field.data(), value);
  }
  return entry;
}

// Width and length stay SHORT whenever they fit, as every reader expects; larger ones take LONG.
TTiffEntry Dimension(uint16_t tag, int32_t value) {
  return Entry(tag, value <= 0xFFFF ? kShort : kLong, 1, static_cast<uint32_t>(value));
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
  // Values out of line start on a word boundary.
  void Align() {
    if (offset_ % 2 != 0) Put("", 1);
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

// Where the strips went and how long each is.
struct TStrips {
  uint32_t rows_per_strip = 0;
  std::vector<uint32_t> offsets;
  std::vector<uint32_t> sizes;
};

// The rows top row first, whichever order the export holds them in, in one strip. Rows are
// gathered into chunks of about kChunkBytes, so that a large picture takes few write calls and
// little memory.
TStrips PutOneStrip(TTiffOut& out, const TBitmap& bitmap, const TBitmapInfoHeader& info,
                    TTiffRowMaker& maker) {
  constexpr int64_t kChunkBytes = int64_t{1} << 20;
  const int32_t rows = std::abs(info.height);
  const int64_t row_bytes = maker.RowBytes();
  const int64_t chunk_rows = std::clamp<int64_t>(kChunkBytes / row_bytes, 1, rows);
  std::vector<uint8_t> chunk(static_cast<size_t>(chunk_rows * row_bytes));
  TStrips strips{static_cast<uint32_t>(rows), {out.Offset()}, {}};
  int64_t filled = 0;
  for (int32_t y = 0; y < rows; ++y) {
    maker.Make(ExportedRow(bitmap, info.height > 0 ? rows - 1 - y : y),
               chunk.data() + filled * row_bytes);
    if (++filled == chunk_rows || y == rows - 1) {
      out.Put(chunk.data(), filled * row_bytes);
      filled = 0;
    }
  }
  strips.sizes.push_back(out.Offset() - strips.offsets[0]);
  return strips;
}

// Strips of about kStripBytes, each compressed on its own; `distance` samples apart are
// differenced first when it is not 0.
TStrips PutCompressedStrips(TTiffOut& out, const TBitmap& bitmap, const TBitmapInfoHeader& info,
                            TTiffRowMaker& maker, TTiffCompression compression, int distance) {
  const int32_t rows = std::abs(info.height);
  const int64_t row_bytes = maker.RowBytes();
  const int64_t strip_rows = std::clamp<int64_t>(kStripBytes / row_bytes, 1, rows);
  std::vector<uint8_t> strip(static_cast<size_t>(strip_rows * row_bytes));
  TStripCompressor compressor(compression, row_bytes);
  TStrips strips{static_cast<uint32_t>(strip_rows), {}, {}};
  for (int32_t first = 0; first < rows; first += static_cast<int32_t>(strip_rows)) {
    const int32_t count = static_cast<int32_t>(std::min<int64_t>(strip_rows, rows - first));
    for (int32_t i = 0; i < count; ++i) {
      const int32_t y = first + i;
      uint8_t* row = strip.data() + i * row_bytes;
      maker.Make(ExportedRow(bitmap, info.height > 0 ? rows - 1 - y : y), row);
      if (distance > 0) DifferenceRow(row, row_bytes, distance);
    }
    const std::vector<uint8_t>& packed = compressor.Compress(strip.data(), count);
    strips.offsets.push_back(out.Offset());
    strips.sizes.push_back(static_cast<uint32_t>(packed.size()));
    out.Put(packed.data(), static_cast<int64_t>(packed.size()));
  }
  return strips;
}

// One LONG, or the offset of several written here.
TTiffEntry StripEntry(TTiffOut& out, uint16_t tag, const std::vector<uint32_t>& values) {
  if (values.size() == 1) return Entry(tag, kLong, 1, values[0]);
  std::vector<uint8_t> bytes(values.size() * 4);
  for (size_t i = 0; i < values.size(); ++i) StoreU32(bytes.data() + 4 * i, values[i]);
  out.Align();
  const uint32_t at = out.Offset();
  out.Put(bytes.data(), static_cast<int64_t>(bytes.size()));
  return Entry(tag, kLong, static_cast<uint32_t>(values.size()), at);
}

// The caller's fields: values of up to four bytes in the entry, longer ones written here.
std::vector<TTiffEntry> PutFields(TTiffOut& out, const std::vector<TTiffField>& fields) {
  std::vector<TTiffEntry> entries;
  for (const TTiffField& field : fields) {
    TTiffEntry entry{field.tag, field.type, field.count, {}};
    if (field.bytes.size() <= 4) {
      std::copy(field.bytes.begin(), field.bytes.end(), entry.field.begin());
    } else {
      out.Align();
      StoreU32(entry.field.data(), out.Offset());
      out.Put(field.bytes.data(), static_cast<int64_t>(field.bytes.size()));
    }
    entries.push_back(entry);
  }
  return entries;
}

// The writer's entries with the caller's added, one per tag (the caller's winning), in ascending
// tag order.
std::vector<TTiffEntry> Merged(std::vector<TTiffEntry> own, const std::vector<TTiffEntry>& added) {
  for (const TTiffEntry& entry : added) {
    const auto same = std::find_if(own.begin(), own.end(),
                                   [&](const TTiffEntry& e) { return e.tag == entry.tag; });
    if (same != own.end()) {
      *same = entry;
    } else {
      own.push_back(entry);
    }
  }
  std::stable_sort(own.begin(), own.end(),
                   [](const TTiffEntry& a, const TTiffEntry& b) { return a.tag < b.tag; });
  return own;
}

// The entry count, the entries and a zero next-directory offset.
void PutDirectory(TTiffOut& out, const std::vector<TTiffEntry>& entries) {
  std::vector<uint8_t> bytes(2 + 12 * entries.size() + 4);
  StoreU16(bytes.data(), static_cast<uint16_t>(entries.size()));
  uint8_t* p = bytes.data() + 2;
  for (const TTiffEntry& e : entries) {
    StoreU16(p, e.tag);
    StoreU16(p + 2, e.type);
    StoreU32(p + 4, e.count);
    std::copy(e.field.begin(), e.field.end(), p + 8);
    p += 12;
  }
  out.Put(bytes.data(), static_cast<int64_t>(bytes.size()));
}

}  // namespace

void SaveTiffFile(const std::string& path, TBitmap& bitmap, const TTiffWriteOptions& options) {
  TFileStream file(path, fmCreate);
  WriteTiff(file, bitmap, options);
  file.Commit();
}

void WriteTiff(TStream& stream, TBitmap& bitmap, const TTiffWriteOptions& options) {
  // The handle also drops the colours-used count, so the export carries the whole colour table.
  if (bitmap.Handle() == nullptr) throw EInvalidGraphic(kInvalidBitmapMessage);
  std::vector<uint8_t> header(DibSizes(bitmap).header_size);
  if (!ExportDibHeader(bitmap, header.data())) throw EInvalidGraphic(kInvalidBitmapMessage);
  const TBitmapInfoHeader info = LoadInfoHeader(header.data());
  const uint8_t* color_table = header.data() + kInfoHeaderSize;
  const TTiffLayout layout = ChooseLayout(info.bit_count, color_table);
  const bool rgb = layout.photometric == kRgb;
  const bool bilevel = layout.photometric <= kBlackIsZero;
  TTiffRowMaker maker(bitmap.Image(), info);
  // One uncompressed strip must fit the store limits, and so its 32-bit byte count.
  static_cast<void>(CheckedSize(static_cast<uint64_t>(std::abs(info.height)),
                                static_cast<uint64_t>(maker.RowBytes())));
  const bool differenced = (options.compression == tcLzw || options.compression == tcDeflate) &&
                           (rgb || IsGreyRamp(layout, color_table));
  const auto put_strips = [&](TTiffOut& out) {
    if (options.compression == tcNone) return PutOneStrip(out, bitmap, info, maker);
    return PutCompressedStrips(out, bitmap, info, maker, options.compression,
                               differenced ? (rgb ? 3 : 1) : 0);
  };

  TTiffOut out(stream);
  const uint8_t file_header[8] = {'I', 'I', 42, 0, kFirstItemOffset, 0, 0, 0};
  out.Put(file_header, sizeof file_header);
  out.Put(options.prologue.data(), static_cast<int64_t>(options.prologue.size()));
  out.Align();
  TStrips strips;
  uint32_t color_map = 0;
  if (bilevel) {
    strips = put_strips(out);
  } else if (layout.colors > 0) {
    color_map = out.Offset();
    const std::vector<uint8_t> map = ColorMap(color_table, layout.colors);
    out.Put(map.data(), static_cast<int64_t>(map.size()));
  }
  const TTiffResolution resolution = options.resolution.value_or(kFixedResolution);
  uint8_t rational[8];
  StoreU32(rational, resolution.x[0]);
  StoreU32(rational + 4, resolution.x[1]);
  const uint32_t x_resolution = out.Offset();
  out.Put(rational, sizeof rational);
  StoreU32(rational, resolution.y[0]);
  StoreU32(rational + 4, resolution.y[1]);
  const uint32_t y_resolution = out.Offset();
  out.Put(rational, sizeof rational);
  uint32_t bits_per_sample = 0;
  if (rgb) {
    const uint8_t eight_bits[6] = {8, 0, 8, 0, 8, 0};
    bits_per_sample = out.Offset();
    out.Put(eight_bits, sizeof eight_bits);
  }
  const uint32_t software = out.Offset();
  out.Put(kSoftware, kSoftwareLength);
  const std::vector<TTiffEntry> fields = PutFields(out, options.fields);
  if (!bilevel) strips = put_strips(out);

  const auto rows = static_cast<uint32_t>(std::abs(info.height));
  std::vector<TTiffEntry> entries = {
      Entry(254, kLong, 1, 0),
      Dimension(256, info.width),
      Dimension(257, static_cast<int32_t>(rows)),
      rgb ? Entry(258, kShort, 3, bits_per_sample) : Entry(258, kShort, 1, layout.bits),
      Entry(259, kShort, 1, CompressionTagValue(options.compression)),
      Entry(262, kShort, 1, layout.photometric),
      StripEntry(out, 273, strips.offsets),
      Entry(277, kShort, 1, rgb ? 3u : 1u),
      Entry(278, kLong, 1, strips.rows_per_strip),
      StripEntry(out, 279, strips.sizes),
      Entry(282, kRational, 1, x_resolution),
      Entry(283, kRational, 1, y_resolution),
  };
  if (rgb) entries.push_back(Entry(284, kShort, 1, kChunky));
  entries.push_back(Entry(296, kShort, 1, resolution.unit));
  entries.push_back(Entry(305, kAscii, kSoftwareLength, software));
  if (differenced) entries.push_back(Entry(317, kShort, 1, kHorizontalDifferencing));
  if (layout.colors > 0) {
    entries.push_back(Entry(320, kShort, 3 * static_cast<uint32_t>(layout.colors), color_map));
  }
  std::vector<TTiffEntry> added = options.entries;
  added.insert(added.end(), fields.begin(), fields.end());
  // A directory starts on a word boundary, as readers may demand.
  out.Align();
  const uint32_t directory = out.Offset();
  PutDirectory(out, Merged(std::move(entries), added));
  out.PatchU32(4, directory);
}

}  // namespace quillo
