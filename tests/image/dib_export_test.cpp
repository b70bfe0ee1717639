// The DIB export the TIFF writer builds on.
#include "image/dib_export.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/bmp_test_support.h"

namespace quillo {
namespace {

using namespace std::string_literals;

struct Exported {
  TDibSizes sizes;
  std::vector<uint8_t> header;
  std::vector<uint8_t> bits;
  TBitmapInfoHeader info;
};

Exported Export(const TBitmap& bitmap) {
  Exported out;
  out.sizes = DibSizes(bitmap);
  out.header.resize(out.sizes.header_size);
  out.bits.resize(out.sizes.image_size);
  EXPECT_TRUE(ExportDib(bitmap, out.header.data(), out.bits.data()));
  out.info = LoadInfoHeader(out.header.data());
  return out;
}

TEST(DibExport, IndexedPictureCarriesItsColourTableAndRows) {
  const std::string table = testing::Bytes().U32(0x00FF0000).U32(0x000000FF).U32(0x0000FF00).Str();
  const std::string file =
      testing::BmpFile({.width = 3, .height = 2, .bit_count = 8, .clr_used = 3, .planes = 1}, table,
                       "\x00\x01\x02\x00\x02\x02\x02\x00"s);
  TBitmap bitmap;
  testing::LoadBmp(bitmap, file);

  Exported cut = Export(bitmap);
  EXPECT_EQ(cut.sizes.header_size, 40 + 12u);
  EXPECT_EQ(cut.sizes.image_size, 8u);
  EXPECT_EQ(cut.info.clr_used, 3u);
  EXPECT_EQ(std::string(cut.header.begin() + 40, cut.header.end()), table);
  EXPECT_EQ(std::string(cut.bits.begin(), cut.bits.end()), file.substr(14 + 40 + 12));

  // Asking for the handle drops the colours-used count, so the whole table is exported.
  ASSERT_NE(bitmap.Handle(), nullptr);
  Exported full = Export(bitmap);
  EXPECT_EQ(full.sizes.header_size, 40 + 1024u);
  EXPECT_EQ(full.info.clr_used, 0u);
  EXPECT_EQ(std::string(full.header.begin() + 40, full.header.begin() + 52), table);
}

TEST(DibExport, DeviceStoreExportsAsA32BitPictureAndBitFieldsWithTheirMasks) {
  TBitmap device;
  device.SetWidth(3);
  device.SetHeight(2);
  Exported plain = Export(device);
  EXPECT_EQ(plain.sizes.header_size, 40u);
  EXPECT_EQ(plain.info,
            (TBitmapInfoHeader{.width = 3, .height = 2, .bit_count = 32, .size_image = 24}));
  EXPECT_EQ(plain.bits[0], 0xFF);

  TBitmap fields;
  fields.SetPixelFormat(px16Bit);
  fields.SetWidth(1);
  fields.SetHeight(1);
  Exported masked = Export(fields);
  EXPECT_EQ(masked.sizes.header_size, 52u);
  EXPECT_EQ(std::string(masked.header.begin() + 40, masked.header.end()),
            "\0\xF8\0\0\xE0\x07\0\0\x1F\0\0\0"s);
  EXPECT_EQ(std::string(masked.bits.begin(), masked.bits.end()), "\xFF\xFF\0\0"s);
}

TEST(DibExport, EmptyBitmapHasNothingToExport) {
  TBitmap empty;
  const TDibSizes sizes = DibSizes(empty);
  EXPECT_EQ(sizes.header_size, 0u);
  EXPECT_EQ(sizes.image_size, 0u);
  uint8_t header[64], bits[4];
  EXPECT_FALSE(ExportDib(empty, header, bits));
  EXPECT_EQ(empty.Handle(), nullptr);
}

}  // namespace
}  // namespace quillo
