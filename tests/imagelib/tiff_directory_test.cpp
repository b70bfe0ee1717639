// Reading a directory and its values in every type and both byte orders, and directories or
// values cut off by the end of the file.
#include "imagelib/tiff/tiff_directory.h"

#include <gtest/gtest.h>

#include <bit>

#include "image/byte_order.h"
#include "platform/errors.h"
#include "support/tiff_bytes.h"

namespace quillo {
namespace {

using testing::TiffBytes;

// Reads the first directory of the file as the reader does.
struct Parsed {
  explicit Parsed(std::string file, bool big_endian)
      : bytes(std::move(file)),
        reader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), big_endian) {
    directory.Read(reader, LoadU32(reinterpret_cast<const uint8_t*>(bytes.data()) + 4, big_endian));
  }
  std::string bytes;
  TByteReader reader;
  TTiffDirectory directory;
};

class BothOrders : public ::testing::TestWithParam<bool> {};

TEST_P(BothOrders, SingleValuesOfEveryIntegerType) {
  const bool be = GetParam();
  TiffBytes t(be);
  t.Short(256, 640)
      .Long(257, 70000)
      .Field(258, 1, 1, {7})
      .Field(259, 8, 1, {})
      .ShortsInField(260, 3, 4);
  t.Entry(261, 5, 1, t.Longs({1, 2}));
  Parsed p(t.File(), be);
  EXPECT_EQ(p.directory.TagValue(256, 0), 640u);
  EXPECT_EQ(p.directory.TagValue(257, 0), 70000u);
  EXPECT_EQ(p.directory.TagValue(258, 0), 7u);
  EXPECT_EQ(p.directory.TagValue(999, 5), 5u);
  // A count other than 1 gives the raw value field; a rational is no single integer.
  EXPECT_EQ(p.directory.TagValue(260, 0), be ? 0x00030004u : 0x00040003u);
  EXPECT_EQ(p.directory.TagValue(261, 9), 9u);
}

TEST_P(BothOrders, ShortValuesInTheFieldComeInFileOrder) {
  const bool be = GetParam();
  TiffBytes t(be);
  t.ShortsInField(273, 300, 500);
  Parsed p(t.File(), be);
  EXPECT_EQ(p.directory.TagCardinalList(p.reader, 273), (std::vector<uint32_t>{300, 500}));
}

TEST_P(BothOrders, NumbersOfEveryType) {
  const bool be = GetParam();
  TiffBytes t(be);
  t.Entry(282, 5, 1, t.Longs({72, 1}));
  t.Entry(283, 5, 1, t.Longs({72, 0}));
  t.Entry(284, 10, 1, t.Longs({static_cast<uint32_t>(-3), 2}));
  t.Entry(285, 11, 1, std::bit_cast<uint32_t>(2.5f));
  const uint64_t d = std::bit_cast<uint64_t>(300.25);
  t.Entry(
      286, 12, 1,
      be ? t.Longs({uint32_t(d >> 32), uint32_t(d)}) : t.Longs({uint32_t(d), uint32_t(d >> 32)}));
  t.Short(287, 96);
  t.Entry(288, 5, 2, t.Longs({1, 1, 1, 1}));
  t.Field(289, 2, 1, {'x'});
  Parsed p(t.File(), be);
  EXPECT_DOUBLE_EQ(p.directory.TagNumber(p.reader, 282, 0), 72.0);
  EXPECT_DOUBLE_EQ(p.directory.TagNumber(p.reader, 283, 7), 0.0);  // zero denominator
  EXPECT_DOUBLE_EQ(p.directory.TagNumber(p.reader, 284, 0), -1.5);
  EXPECT_DOUBLE_EQ(p.directory.TagNumber(p.reader, 285, 0), 2.5);
  EXPECT_DOUBLE_EQ(p.directory.TagNumber(p.reader, 286, 0), 300.25);
  EXPECT_DOUBLE_EQ(p.directory.TagNumber(p.reader, 287, 0), 96.0);
  EXPECT_DOUBLE_EQ(p.directory.TagNumber(p.reader, 288, 3), 3.0);  // count 2
  EXPECT_DOUBLE_EQ(p.directory.TagNumber(p.reader, 289, 4), 4.0);  // text
}

TEST_P(BothOrders, ListsConvertEveryElement) {
  const bool be = GetParam();
  TiffBytes t(be);
  t.Entry(529, 5, 3, t.Longs({299, 1000, 587, 1000, 114, 0}));
  t.Entry(530, 4, 2, t.Longs({258, 2}));
  t.Entry(531, 10, 2, t.Longs({static_cast<uint32_t>(-10), 4, 7, 2}));
  t.Entry(532, 3, 0, 0);
  Parsed p(t.File(), be);
  EXPECT_EQ(p.directory.TagFloatList(p.reader, 529), (std::vector<float>{0.299f, 0.587f, 0.0f}));
  EXPECT_EQ(p.directory.TagByteList(p.reader, 530), (std::vector<uint8_t>{2, 2}));
  EXPECT_EQ(p.directory.TagFloatList(p.reader, 531), (std::vector<float>{-2.5f, 3.5f}));
  // Negative numbers have no cardinal; fractions are cut.
  EXPECT_EQ(p.directory.TagCardinalList(p.reader, 531), (std::vector<uint32_t>{0, 3}));
  EXPECT_TRUE(p.directory.TagCardinalList(p.reader, 532).empty());
  EXPECT_TRUE(p.directory.TagCardinalList(p.reader, 533).empty());
}

INSTANTIATE_TEST_SUITE_P(Directory, BothOrders, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "MM" : "II"; });

TEST(TiffDirectory, EntriesAreSortedAndEqualTagsKeepTheirOrder) {
  TiffBytes t;
  t.Short(259, 5).Short(256, 1).Short(259, 8);
  Parsed p(t.File(), false);
  size_t index = 99;
  ASSERT_TRUE(p.directory.LocateTag(259, index));
  EXPECT_EQ(index, 1u);
  EXPECT_EQ(p.directory.TagValue(259, 0), 5u);
  EXPECT_FALSE(p.directory.LocateTag(257, index));
}

TEST(TiffDirectory, EntryCountBeyondTheFileRaisesTheReadError) {
  std::string file = TiffBytes().Short(256, 1).Short(257, 1).File();
  file.resize(file.size() - 10);
  EXPECT_THROW(Parsed(file, false), EReadError);
}

// Found by fuzzing: a claim of four billion values was sized before the file was asked for them.
TEST(TiffDirectory, ValueCountBeyondTheFileRaisesTheReadError) {
  TiffBytes t;
  t.Entry(258, 3, 0xFFFFFFFF, 20).Entry(273, 4, 1000, 20);
  Parsed p(t.File(), false);
  EXPECT_THROW(p.directory.TagCardinalList(p.reader, 258), EReadError);
  EXPECT_THROW(p.directory.TagCardinalList(p.reader, 273), EReadError);
}

}  // namespace
}  // namespace quillo
