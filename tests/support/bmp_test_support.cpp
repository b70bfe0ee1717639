#include "support/bmp_test_support.h"

#include <gtest/gtest.h>

namespace quillo::testing {

Bytes& Bytes::U8(uint8_t v) {
  bytes_.push_back(static_cast<char>(v));
  return *this;
}

Bytes& Bytes::U16(uint16_t v) {
  return U8(static_cast<uint8_t>(v)).U8(static_cast<uint8_t>(v >> 8));
}

Bytes& Bytes::U32(uint32_t v) {
  return U16(static_cast<uint16_t>(v)).U16(static_cast<uint16_t>(v >> 16));
}

Bytes& Bytes::Raw(const std::string& s) {
  bytes_ += s;
  return *this;
}

Bytes& Bytes::Fill(size_t count, uint8_t v) {
  bytes_.append(count, static_cast<char>(v));
  return *this;
}

std::string BmpFile(const InfoFields& info, const std::string& between, const std::string& pixels) {
  const uint32_t offset = 14 + info.header_size + static_cast<uint32_t>(between.size());
  Bytes b;
  b.Raw("BM").U32(offset + static_cast<uint32_t>(pixels.size())).U16(0).U16(0).U32(offset);
  b.U32(info.header_size).U32(static_cast<uint32_t>(info.width));
  b.U32(static_cast<uint32_t>(info.height)).U16(info.planes).U16(info.bit_count);
  b.U32(info.compression).U32(info.size_image).U32(2835).U32(2835).U32(info.clr_used).U32(0);
  b.Fill(info.header_size > 40 ? info.header_size - 40 : 0, 0);
  return b.Raw(between).Raw(pixels).Str();
}

std::string CoreBmpFile(uint16_t width, uint16_t height, uint16_t bit_count,
                        const std::string& colors, const std::string& pixels) {
  const auto offset = static_cast<uint32_t>(14 + 12 + colors.size());
  Bytes b;
  b.Raw("BM").U32(offset + static_cast<uint32_t>(pixels.size())).U32(0).U32(offset);
  b.U32(12).U16(width).U16(height).U16(1).U16(bit_count);
  return b.Raw(colors).Raw(pixels).Str();
}

TMemoryStream StreamOf(const std::string& bytes) {
  return TMemoryStream(std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

std::string BytesOf(const TMemoryStream& stream) {
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

std::string WriteToString(const TBitmap& bitmap) {
  TMemoryStream out;
  bitmap.WriteBmp(out);
  return BytesOf(out);
}

void LoadBmp(TBitmap& bitmap, const std::string& bytes) {
  TMemoryStream in = StreamOf(bytes);
  bitmap.ReadBmp(in);
}

namespace {

uint8_t Widen(uint32_t v, int bits) {
  uint32_t wide = 0;
  int filled = 0;
  for (; filled < 8; filled += bits) wide = wide << bits | v;
  return static_cast<uint8_t>(wide >> (filled - 8));
}

uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r << 16 | g << 8 | b; }

}  // namespace

uint32_t ColorAt(TBitmap& bitmap, int32_t x, int32_t y) {
  const TPixelFormat format = bitmap.PixelFormat();
  const uint8_t* row = bitmap.RowAddress(y);
  switch (format) {
    case px1Bit:
    case px4Bit:
    case px8Bit: {
      const int bits = format == px1Bit ? 1 : format == px4Bit ? 4 : 8;
      const int per_byte = 8 / bits;
      const int index = row[x / per_byte] >> (8 - bits * (x % per_byte + 1)) & ((1 << bits) - 1);
      const TPaletteEntry e = bitmap.Palette()->entries.at(static_cast<size_t>(index));
      return Rgb(e.red, e.green, e.blue);
    }
    case px15Bit: {
      const uint32_t w = row[2 * x] | row[2 * x + 1] << 8;
      return Rgb(Widen(w >> 10 & 31, 5), Widen(w >> 5 & 31, 5), Widen(w & 31, 5));
    }
    case px16Bit: {
      const uint32_t w = row[2 * x] | row[2 * x + 1] << 8;
      return Rgb(Widen(w >> 11, 5), Widen(w >> 5 & 63, 6), Widen(w & 31, 5));
    }
    case px24Bit:
      return Rgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    case pxDevice:  // the row access has made it a 32-bit DIB
    case px32Bit:
      return Rgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
    case pxCustom:
      break;
  }
  ADD_FAILURE() << "no colour for pixel format " << int{format};
  return 0;
}

void SetColor(TBitmap& bitmap, int32_t x, int32_t y, uint32_t color) {
  const int size = bitmap.PixelFormat() == px24Bit ? 3 : 4;
  uint8_t* p = bitmap.RowAddress(y) + size * x;
  p[0] = static_cast<uint8_t>(color);
  p[1] = static_cast<uint8_t>(color >> 8);
  p[2] = static_cast<uint8_t>(color >> 16);
}

}  // namespace quillo::testing
