// Reading a BMP file image into a bitmap.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "image/bitmap.h"
#include "image/byte_reader.h"
#include "image/image_messages.h"
#include "image/rle.h"
#include "platform/errors.h"

namespace quillo {
namespace {

constexpr size_t kHeaderWithMasks = kInfoHeaderSize + 12;

[[noreturn]] void Invalid() { throw EInvalidGraphic(kInvalidBitmapMessage); }

bool IsRle(uint32_t compression) { return compression == kDibRle8 || compression == kDibRle4; }

// Run-length data are decoded into a device store.
int64_t StoreBits(const TBitmapInfoHeader& h) {
  return IsRle(h.compression) ? kDeviceBitsPerPixel : h.bit_count;
}

// Refuses, before anything is allocated, every header a store cannot hold.
void Validate(const TBitmapInfoHeader& h) {
  if (h.compression > kDibBitFields || h.planes != 1 || h.clr_used > uint32_t{kMaxColors})
    Invalid();
  switch (h.bit_count) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      Invalid();
  }
  if ((h.compression == kDibRle8 && h.bit_count != 8) ||
      (h.compression == kDibRle4 && h.bit_count != 4) ||
      (h.compression == kDibBitFields && h.bit_count != 16 && h.bit_count != 32)) {
    Invalid();
  }
  // Run-length data are decoded bottom-up only.
  if (h.width <= 0 || h.height == 0 || h.height == INT32_MIN ||
      (IsRle(h.compression) && h.height < 0)) {
    Invalid();
  }
  if (!FitsStoreLimits(h.width, std::abs(int64_t{h.height}), StoreBits(h))) Invalid();
}

class BmpReader {
 public:
  explicit BmpReader(TStream& stream) : reader_(stream) {}

  std::shared_ptr<TBitmapImage> Read() {
    uint8_t file_header[kFileHeaderSize];
    reader_.Read(file_header, sizeof file_header);
    if (LoadU16(file_header) != kBmpSignature) Invalid();
    const uint32_t bits_offset = LoadU32(file_header + 10);

    auto image = std::make_shared<TBitmapImage>();
    const uint32_t header_size = ReadInfoHeader(*image);
    TBitmapInfoHeader& h = image->header;
    Validate(h);
    CheckDataFor(h.width, std::abs(int64_t{h.height}), StoreBits(h), reader_.Size());
    if (IsRle(h.compression)) RetainFileBytes(*image);
    if (h.compression == kDibBitFields && header_size == kInfoHeaderSize) {
      uint8_t masks[12];
      reader_.Read(masks, sizeof masks);
      image->masks = {LoadU32(masks), LoadU32(masks + 4), LoadU32(masks + 8)};
    }
    // A bit-field file without masks means the usual ones, as the writer would put them.
    if (h.compression != kDibBitFields) {
      image->masks = {};
    } else if (image->masks == TMasks{}) {
      image->masks = DefaultMasks(h.bit_count);
    }
    const int colors = ReadColorTable(*image);

    // The offset of the bits is honoured when it leaves a gap before them; pointing back into
    // the headers or past the end, it is taken for a writer's mistake.
    if (bits_offset > reader_.Position() && bits_offset <= reader_.Size()) {
      reader_.Seek(bits_offset);
    }
    if (h.size_image == 0 || h.compression == kDibRgb) {
      h.size_image = static_cast<uint32_t>(RowStride(h.width, h.bit_count) * image->Height());
    }
    const int64_t pixel_bytes = std::min<int64_t>(h.size_image, reader_.Remaining());

    if (IsRle(h.compression)) {
      std::vector<uint8_t> data(CheckedSize(pixel_bytes, 1, kInvalidBitmapMessage));
      reader_.Read(data.data(), pixel_bytes);
      const uint16_t index_bits = h.bit_count;
      h.bit_count = kDeviceBitsPerPixel;
      h.compression = kDibRgb;
      image->device = true;
      image->AllocatePixels();
      DecodeRle(data.data(), data.size(), image->colors, *image, index_bits);
      image->palette = PaletteFromColorTable(image->colors, std::min(colors, 1 << index_bits));
    } else {
      image->device = false;
      image->AllocatePixels();
      reader_.Read(image->pixels.Data(), std::min(pixel_bytes, image->ImageSize()));
      if (image->Indexed()) {
        image->defined_colors = std::min(colors, image->ColorCount());
        h.clr_used = std::min<uint32_t>(h.clr_used, image->ColorCount());
      } else if (colors > 0) {
        image->palette = PaletteFromColorTable(image->colors, colors);
      }
    }
    return image;
  }

 private:
  // Returns the header's size field. A core header becomes an info header with the other fields
  // 0; a larger header is read whole, its first 40 bytes and the bit-field masks kept.
  uint32_t ReadInfoHeader(TBitmapImage& image) {
    uint8_t size_field[4];
    reader_.Read(size_field, sizeof size_field);
    const uint32_t size = LoadU32(size_field);
    if (size == kCoreHeaderSize) {
      uint8_t core[8];
      reader_.Read(core, sizeof core);
      image.os2 = true;
      image.header.width = LoadU16(core);
      image.header.height = LoadU16(core + 2);
      image.header.planes = LoadU16(core + 4);
      image.header.bit_count = LoadU16(core + 6);
      return size;
    }
    if (size < kInfoHeaderSize) Invalid();
    reader_.Need(size - 4);
    std::array<uint8_t, kHeaderWithMasks> bytes{};
    const size_t kept = std::min<size_t>(size, kHeaderWithMasks);
    reader_.Read(bytes.data() + 4, static_cast<int64_t>(kept - 4));
    reader_.Skip(size - static_cast<int64_t>(kept));
    image.header = LoadInfoHeader(bytes.data());
    image.header.size = kInfoHeaderSize;
    image.masks = {LoadU32(&bytes[40]), LoadU32(&bytes[44]), LoadU32(&bytes[48])};
    return size;
  }

  // The whole file image, kept so that an unchanged picture is written back as it came.
  void RetainFileBytes(TBitmapImage& image) {
    const int64_t here = reader_.Position();
    image.file_bytes.resize(CheckedSize(reader_.Size(), 1, kInvalidBitmapMessage));
    reader_.Seek(0);
    reader_.Read(image.file_bytes.data(), reader_.Size());
    reader_.Seek(here);
  }

  // Returns the number of entries read; core files store 3-byte entries.
  int ReadColorTable(TBitmapImage& image) {
    const TBitmapInfoHeader& h = image.header;
    int count = static_cast<int>(h.clr_used);
    if (count == 0 && h.bit_count <= 8) count = 1 << h.bit_count;
    const int entry = image.os2 ? 3 : 4;
    std::vector<uint8_t> bytes(static_cast<size_t>(count * entry));
    reader_.Read(bytes.data(), static_cast<int64_t>(bytes.size()));
    for (int i = 0; i < count; ++i) {
      const uint8_t* e = &bytes[static_cast<size_t>(i * entry)];
      image.colors[i] = {e[0], e[1], e[2], 0};
    }
    return count;
  }

  TByteReader reader_;
};

}  // namespace

void TBitmap::ReadBmp(TStream& stream) {
  const int64_t available = stream.Size() - stream.Position();
  auto image = available > 0 ? BmpReader(stream).Read() : std::make_shared<TBitmapImage>();
  InstallImage(std::move(image));
}

}  // namespace quillo
