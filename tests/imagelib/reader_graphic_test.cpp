// The reader base: what its hand-over keeps and copies, the reset of the properties record, and
// the helpers the readers share.
#include <gtest/gtest.h>

#include <vector>

#include "imagelib/formats/portable_map.h"
#include "imagelib/reader_graphic.h"
#include "platform/errors.h"
#include "support/bmp_test_support.h"

namespace quillo {
namespace {

TImageProperties SampleProperties() {
  TImageProperties p;
  p.Width = 7;
  p.ColorModel = cmYCbCr;
  p.Gamma = 2.5f;
  p.RowsPerStrip = TCardinalArray{1, 2, 3};
  p.JPEGTables = TByteArray{0xFF, 0xD8};
  return p;
}

TEST(ReaderAssignFrom, APlainBitmapKeepsThePropertiesAReaderCopiesThem) {
  TPPMGraphic target;
  target.Properties() = SampleProperties();
  TBitmap plain;
  plain.SetPixelFormat(px24Bit);
  plain.SetWidth(3);
  plain.SetHeight(2);
  target.AssignFrom(&plain);
  EXPECT_EQ(target.Width(), 3);
  EXPECT_EQ(target.Properties().Width, 7);
  EXPECT_EQ(target.Properties().ColorModel, cmYCbCr);

  TPPMGraphic source;
  source.Properties().Width = 11;
  source.Properties().RowsPerStrip = TCardinalArray{9};
  TMemoryStream map = testing::StreamOf("P5 1 1 255 \x80");
  source.LoadFromStream(map);
  const TCardinalArray shared = target.Properties().RowsPerStrip;
  target.AssignFrom(&source);
  EXPECT_EQ(target.Width(), 1);
  EXPECT_EQ(target.Properties().Width, 1);
  EXPECT_EQ(target.Properties().FormatVersion, 5u);
  EXPECT_EQ(shared.UseCount(), 1) << "the old arrays are released";
}

TEST(ReaderProperties, CopiesShareTheArraysAndTheBaseReadReleasesThem) {
  TPPMGraphic reader;
  reader.Properties() = SampleProperties();
  const TImageProperties copy = reader.Properties();
  EXPECT_EQ(copy.RowsPerStrip.UseCount(), 2);
  EXPECT_EQ(copy.RowsPerStrip.begin(), reader.Properties().RowsPerStrip.begin());
  TMemoryStream empty;
  EXPECT_FALSE(reader.TReaderGraphic::ReadProperties(empty, 0));
  EXPECT_EQ(copy.RowsPerStrip.UseCount(), 1);
  EXPECT_EQ(copy.JPEGTables.UseCount(), 1);
  const TImageProperties& p = reader.Properties();
  EXPECT_EQ(p.Width, 0);
  EXPECT_EQ(p.ColorModel, cmUnknown);
  EXPECT_EQ(p.Gamma, 1.0f);
  EXPECT_TRUE(p.RowsPerStrip.empty());
  EXPECT_EQ(p.RowsPerStrip.begin(), p.RowsPerStrip.end());
}

TEST(ReaderHelpers, ByteOrderSwaps) {
  std::vector<uint16_t> words = {0x1234, 0x00FF, 0xABCD};
  SwapWordArray(words.data(), 2);
  EXPECT_EQ(words, (std::vector<uint16_t>{0x3412, 0xFF00, 0xABCD}));
  std::vector<uint32_t> longs = {0x12345678, 0x000000FF};
  SwapLongArray(longs.data(), longs.size());
  EXPECT_EQ(longs, (std::vector<uint32_t>{0x78563412, 0xFF000000}));
  EXPECT_EQ(SwapLong(0xA1B2C3D4), 0xD4C3B2A1u);
}

TEST(ReaderHelpers, ErrorsAreInvalidGraphicWithTheirText) {
  try {
    RaiseGraphicErrorFmt("Bad %s at %d.", {"strip", "3"});
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Bad strip at 3.");
  }
  EXPECT_THROW(RaiseGraphicError("x"), EInvalidGraphic);
}

TEST(ReaderHelpers, PeekBytesPutsThePositionBack) {
  TMemoryStream stream = testing::StreamOf("abcdef");
  stream.SetPosition(4);
  char buffer[8] = {};
  EXPECT_EQ(PeekBytes(stream, buffer, sizeof buffer), 2);
  EXPECT_EQ(std::string(buffer, 2), "ef");
  EXPECT_EQ(stream.Position(), 4);
}

}  // namespace
}  // namespace quillo
