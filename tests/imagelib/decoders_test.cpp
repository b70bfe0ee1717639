// The strip decoders against libtiff: strips that libtiff writes are decoded by both and must come
// out alike. Hand-made strips cover the edge cases libtiff never writes.
#include <gtest/gtest.h>
#include <tiff.h>
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "imagelib/decoders/ccitt_decoder.h"
#include "imagelib/decoders/lz77_decoder.h"
#include "imagelib/decoders/packbits_decoder.h"
#include "imagelib/decoders/thunder_decoder.h"
#include "platform/errors.h"
#include "support/temp_dir.h"
#include "tiff_oracle.h"

namespace quillo {
namespace {

using Bytes = std::vector<uint8_t>;

std::unique_ptr<TDecoder> DecoderFor(const testing::TiffFields& f) {
  const bool reversed = f.fill_order == FILLORDER_LSB2MSB;
  switch (f.compression) {
    case COMPRESSION_PACKBITS:
      return std::make_unique<TPackbitsRLEDecoder>();
    case COMPRESSION_ADOBE_DEFLATE:
      return std::make_unique<TLZ77Decoder>();
    case COMPRESSION_CCITTRLE:
      return std::make_unique<TCCITTMHDecoder>(reversed, f.width, false);
    case COMPRESSION_CCITTRLEW:
      return std::make_unique<TCCITTMHDecoder>(reversed, f.width, true);
    case COMPRESSION_CCITTFAX3:
      return std::make_unique<TCCITTFax3Decoder>(reversed, f.width,
                                                 f.t4_options & GROUP3OPT_2DENCODING);
  }
  return nullptr;
}

Bytes Decode(TDecoder& decoder, Bytes input, size_t output_size) {
  Bytes output(output_size);
  decoder.DecodeBlock(input.data(), output.data(), input.size(), output.size());
  return output;
}

struct OracleCase {
  const char* name;
  testing::TiffFields fields;
};

// Strips that libtiff codes from known samples decode to those samples again. (libtiff's own
// reading of word-aligned rows disagrees with its writing, so the samples are the reference.)
class DecodesLikeLibtiff : public ::testing::TestWithParam<OracleCase> {};

TEST_P(DecodesLikeLibtiff, EveryStrip) {
  const testing::TiffFields& f = GetParam().fields;
  const size_t row_bytes = (size_t{f.width} * f.bits * f.samples + 7) / 8;
  const Bytes samples = f.bits == 1 ? testing::BilevelPattern(f.width, f.height)
                                    : testing::Pattern(row_bytes * f.height);
  testing::TempDir dir;
  const std::string path = dir.File("strips.tif");
  testing::WriteTiff(path, f, samples);
  const testing::TiffStrips strips = testing::ReadStrips(path);
  ASSERT_FALSE(strips.raw.empty());

  std::unique_ptr<TDecoder> decoder = DecoderFor(f);
  decoder->BeginDecoding();
  const size_t strip_bytes = row_bytes * (f.rows_per_strip ? f.rows_per_strip : f.height);
  for (size_t s = 0; s < strips.raw.size(); ++s) {
    const size_t start = s * strip_bytes;
    const Bytes expected(samples.begin() + start,
                         samples.begin() + std::min(samples.size(), start + strip_bytes));
    EXPECT_EQ(Decode(*decoder, strips.raw[s], expected.size()), expected) << "strip " << s;
  }
  decoder->EndDecoding();
}

constexpr uint16_t kMsbFirst = FILLORDER_MSB2LSB;
constexpr uint16_t kLsbFirst = FILLORDER_LSB2MSB;

INSTANTIATE_TEST_SUITE_P(Strips, DecodesLikeLibtiff,
                         ::testing::Values(OracleCase{"PackBitsGraySevenRowStrips",
                                                      {.width = 301,
                                                       .height = 40,
                                                       .compression = COMPRESSION_PACKBITS,
                                                       .rows_per_strip = 7}},
                                           OracleCase{"PackBitsRgbOneStrip",
                                                      {.width = 64,
                                                       .height = 9,
                                                       .samples = 3,
                                                       .photometric = 2,
                                                       .compression = COMPRESSION_PACKBITS}},
                                           OracleCase{"DeflateRgb",
                                                      {.width = 97,
                                                       .height = 30,
                                                       .samples = 3,
                                                       .photometric = 2,
                                                       .compression = COMPRESSION_ADOBE_DEFLATE,
                                                       .rows_per_strip = 7}},
                                           OracleCase{"ModifiedHuffmanLongRuns",
                                                      {.width = 3000,
                                                       .height = 20,
                                                       .bits = 1,
                                                       .photometric = 0,
                                                       .compression = COMPRESSION_CCITTRLE,
                                                       .rows_per_strip = 7,
                                                       .fill_order = kMsbFirst}},
                                           OracleCase{"ModifiedHuffmanReversedBits",
                                                      {.width = 203,
                                                       .height = 31,
                                                       .bits = 1,
                                                       .photometric = 0,
                                                       .compression = COMPRESSION_CCITTRLE,
                                                       .fill_order = kLsbFirst}},
                                           OracleCase{"ModifiedHuffmanWordAlignedOddRowBytes",
                                                      {.width = 77,
                                                       .height = 40,
                                                       .bits = 1,
                                                       .photometric = 0,
                                                       .compression = COMPRESSION_CCITTRLEW,
                                                       .rows_per_strip = 7}},
                                           OracleCase{"ModifiedHuffmanWordAlignedReversedBits",
                                                      {.width = 2700,
                                                       .height = 12,
                                                       .bits = 1,
                                                       .photometric = 0,
                                                       .compression = COMPRESSION_CCITTRLEW,
                                                       .fill_order = kLsbFirst}},
                                           OracleCase{"T4WithoutFillBits",
                                                      {.width = 2650,
                                                       .height = 25,
                                                       .bits = 1,
                                                       .photometric = 0,
                                                       .compression = COMPRESSION_CCITTFAX3,
                                                       .rows_per_strip = 7}},
                                           OracleCase{"T4FillBitsReversed",
                                                      {.width = 173,
                                                       .height = 25,
                                                       .bits = 1,
                                                       .photometric = 0,
                                                       .compression = COMPRESSION_CCITTFAX3,
                                                       .fill_order = kLsbFirst,
                                                       .t4_options = GROUP3OPT_FILLBITS}},
                                           OracleCase{"T4OneRowStrips",
                                                      {.width = 64,
                                                       .height = 9,
                                                       .bits = 1,
                                                       .photometric = 1,
                                                       .compression = COMPRESSION_CCITTFAX3,
                                                       .rows_per_strip = 1,
                                                       .t4_options = GROUP3OPT_FILLBITS}}),
                         [](const auto& info) { return std::string(info.param.name); });

// Bits written as text, most significant first, padded with zeros to whole bytes.
Bytes BitString(const std::string& bits) {
  Bytes bytes((bits.size() + 7) / 8);
  for (size_t i = 0; i < bits.size(); ++i) {
    if (bits[i] == '1') bytes[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
  }
  return bytes;
}

// T.4 codes used below: white 3 = 1000, white 2 = 0111, white 11 = 01000, white 0 = 00110101,
// white 8 = 10011, white 1 = 000111; black 0 = 0000110111, black 3 = 10, black 2 = 11, black 5 =
// 0011, black 13 = 00000100, black 8 = 000101, black 1 = 010. Two-dimensional modes: vertical 0 =
// 1, right 1 = 011, left 1 = 010, left 3 = 0000010, pass = 0001, horizontal = 001.
constexpr char kEol[] = "000000000001";

enum FaxCoding { kModifiedHuffman, kT4, kT4TwoDimensional, kT6 };

struct FaxCase {
  const char* name;
  FaxCoding coding;
  uint32_t width;
  std::string bits;
  size_t output_size;
  Bytes expected;
};

class HandCodedFax : public ::testing::TestWithParam<FaxCase> {};

TEST_P(HandCodedFax, Pixels) {
  const FaxCase& c = GetParam();
  std::unique_ptr<TDecoder> decoder;
  switch (c.coding) {
    case kModifiedHuffman:
      decoder = std::make_unique<TCCITTMHDecoder>(false, c.width, false);
      break;
    case kT4:
    case kT4TwoDimensional:
      decoder = std::make_unique<TCCITTFax3Decoder>(false, c.width, c.coding == kT4TwoDimensional);
      break;
    case kT6:
      decoder = std::make_unique<TCCITTFax4Decoder>(false, c.width);
      break;
  }
  EXPECT_EQ(Decode(*decoder, BitString(c.bits), c.output_size), c.expected);
}

// The first row of the T.6 cases: white 3, black 5 (horizontal mode).
const std::string kRowWhite3Black5 =
    "001"
    "1000"
    "0011";
// A row that paints all black if decoded: white 0, black 8.
const std::string kRowAllBlack =
    "001"
    "00110101"
    "000101";

INSTANTIATE_TEST_SUITE_P(
    Runs, HandCodedFax,
    ::testing::Values(
        // White 3, black 13: the black run fills the low 5 bits and the whole next byte.
        FaxCase{"BlackRunAfterThreeUsedPixels",
                kModifiedHuffman,
                16,
                "1000"
                "00000100",
                2,
                {0x1F, 0xFF}},
        // White 0 then black 3: a zero-length run only flips the colour.
        FaxCase{"ZeroLengthRunFlipsColour",
                kModifiedHuffman,
                8,
                "00110101"
                "10"
                "10011",
                1,
                {0xE0}},
        // The black 5 ends with the input's last bit.
        FaxCase{"RunEndingWithTheInputIsPainted",
                kModifiedHuffman,
                8,
                "1000"
                "0011",
                1,
                {0x1F}},
        // The last black run lies wholly in the last byte, after the last byte was loaded.
        FaxCase{"RunsInTheLastByteArePainted",
                kModifiedHuffman,
                10,
                "1000"
                "10"
                "0111"
                "11",
                2,
                {0x1C, 0xC0}},
        // Two rows coded, room for one: decoding stops when the output is full.
        FaxCase{"MoreRowsThanTheOutputHolds",
                kModifiedHuffman,
                8,
                "1000"
                "0011"
                "10011",
                1,
                {0x1F}},
        // Rows behind end-of-line codes, the second with fill bits before its code.
        FaxCase{"T4RowsBehindEndOfLineCodes",
                kT4,
                8,
                std::string(kEol) +
                    "1000"
                    "0011"
                    "0000" +
                    kEol +
                    "0111"
                    "0011"
                    "000111",
                2,
                {0x1F, 0x3E}},
        // An end-of-line code in the middle of a row ends it white; the next row starts at
        // its own first byte.
        FaxCase{"T4EarlyEndOfLineLeavesTheRowWhite",
                kT4,
                16,
                std::string(kEol) + "10011" + kEol +
                    "1000"
                    "0011"
                    "01000",
                4,
                {0x00, 0x00, 0x1F, 0x00}},
        // Row 2: horizontal white 1, black 1; vertical 0 to the change above at 3; vertical
        // right 1 from the row's end, at 9. Decoding stops there: row 3 stays white.
        FaxCase{"T6VerticalCodePointingPastTheRowEnd",
                kT6,
                8,
                kRowWhite3Black5 +
                    "001"
                    "000111"
                    "010"
                    "1"
                    "011" +
                    kRowAllBlack,
                3,
                {0x1F, 0x40, 0x00}},
        // Row 2: horizontal white 1, black 1, then vertical left 3 from the change above at 3,
        // at 0, left of the last change.
        FaxCase{"T6VerticalCodePointingLeftOfTheLastChange",
                kT6,
                8,
                kRowWhite3Black5 +
                    "001"
                    "000111"
                    "010"
                    "0000010" +
                    kRowAllBlack,
                3,
                {0x1F, 0x40, 0x00}},
        // Row 2: vertical 0 to 3, then a pass code, which needs two changes above right of 3.
        FaxCase{"T6PassCodeBeyondTheRowAbove",
                kT6,
                8,
                kRowWhite3Black5 +
                    "1"
                    "0001" +
                    kRowAllBlack,
                3,
                {0x1F, 0x00, 0x00}},
        // Black 13 in an 8-pixel row is cut at the row's end, as in one-dimensional rows, and
        // decoding goes on: row 2 copies row 1 with two vertical 0 codes.
        FaxCase{"T6HorizontalRunPastTheRowEnd",
                kT6,
                8,
                "001"
                "1000"
                "00000100"
                "1"
                "1",
                2,
                {0x1F, 0x1F}},
        // The input ends inside row 2 after white 1, black 2: the rows decoded stay.
        FaxCase{"T6TruncatedPage",
                kT6,
                8,
                kRowWhite3Black5 + "001"
                                   "000111"
                                   "11",
                3,
                {0x1F, 0x60, 0x00}},
        FaxCase{"T6EndOfBlockEndsTheStrip",
                kT6,
                8,
                kRowWhite3Black5 + kEol + kEol + kRowAllBlack,
                2,
                {0x1F, 0x00}},
        // Row 1: horizontal white 0, black 0 (runs of no pixels), horizontal white 2, black 3,
        // vertical 0 to the row's end. Row 2: a pass code over the two changes at 0 that the
        // empty runs placed, then horizontal white 1, black 2 and vertical 0: coders place
        // changes against the runs as coded, not only where the colour changes (libtiff
        // decodes these bits so, a whole real page of them included).
        FaxCase{"T6PassCodeOverRunsOfNoPixels",
                kT6,
                8,
                "001"
                "00110101"
                "0000110111"
                "001"
                "0111"
                "10"
                "1"
                "0001"
                "001"
                "000111"
                "11"
                "1",
                2,
                {0x38, 0x60}},
        // Row 1 one-dimensional; row 2 two-dimensional: vertical 0 to 3, vertical left 1 from
        // the row's end to 7, then a code no mode begins with. Row 3, after the next end-of-line
        // code, is coded against row 2 as painted: three vertical 0 codes copy it.
        FaxCase{"T4TwoDimensionalRowBrokenOffResumesAtTheNextEndOfLine",
                kT4TwoDimensional,
                8,
                std::string(kEol) +
                    "1"
                    "1000"
                    "0011" +
                    kEol +
                    "0"
                    "1"
                    "010"
                    "00000001" +
                    kEol +
                    "0"
                    "1"
                    "1"
                    "1",
                3,
                {0x1F, 0x1E, 0x1E}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CcittDecoder, ReversedBitOrderLeavesTheReversedBytesInTheInput) {
  TCCITTMHDecoder decoder(true, 8, false);
  // White 3, black 5 (10000011), stored least significant bit first.
  Bytes input = {0xC1};
  Bytes output(1);
  decoder.DecodeBlock(input.data(), output.data(), input.size(), output.size());
  EXPECT_EQ(output, Bytes{0x1F});
  EXPECT_EQ(input, Bytes{0x83});
}

struct PackBitsCase {
  const char* name;
  Bytes input;
  size_t output_size;
  Bytes expected;
};

class PackBits : public ::testing::TestWithParam<PackBitsCase> {};

TEST_P(PackBits, Output) {
  TPackbitsRLEDecoder decoder;
  EXPECT_EQ(Decode(decoder, GetParam().input, GetParam().output_size), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, PackBits,
    ::testing::Values(
        PackBitsCase{"HeaderMinus128IsSkipped", {0x80, 0x01, 7, 8}, 2, {7, 8}},
        PackBitsCase{"RepeatRun", {0xFD, 9}, 4, {9, 9, 9, 9}},
        PackBitsCase{"LiteralPastTheInputCopiesWhatIsThere", {0x04, 1, 2}, 5, {1, 2, 0, 0, 0}},
        PackBitsCase{"RepeatWithoutItsByteStops", {0x00, 5, 0xFE}, 3, {5, 0, 0}},
        PackBitsCase{"RunsAreCutAtTheOutputEnd", {0xF0, 3, 0x02, 4, 4, 4}, 3, {3, 3, 3}},
        PackBitsCase{"LargerOutputKeepsItsTail", {0x01, 1, 2}, 4, {1, 2, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

Bytes Compress(const Bytes& data, int window_bits) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, window_bits, 8, Z_DEFAULT_STRATEGY), Z_OK);
  Bytes out(compressBound(data.size()) + 32);
  z.next_in = const_cast<uint8_t*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

TEST(Lz77Decoder, StreamThatEndsEarlyKeepsWhatItGave) {
  const Bytes data = testing::Pattern(5000);
  Bytes coded = Compress(data, 15);
  coded.resize(coded.size() / 2);
  TLZ77Decoder decoder;
  decoder.BeginDecoding();
  const Bytes out = Decode(decoder, coded, data.size());
  size_t same = 0;
  while (same < out.size() && out[same] == data[same]) ++same;
  EXPECT_GT(same, 0u);
  EXPECT_LT(same, data.size());
  EXPECT_EQ(Bytes(out.begin() + same + 64, out.end()), Bytes(data.size() - same - 64, 0));
  // The stream is reset for every strip: a complete one decodes whole after a cut one.
  EXPECT_EQ(Decode(decoder, Compress(data, 15), data.size()), data);
  decoder.EndDecoding();
}

TEST(Lz77Decoder, CorruptOrHeaderlessDataRaisesTheDecompressionError) {
  const Bytes data = testing::Pattern(3000);
  Bytes corrupt = Compress(data, 15);
  corrupt[corrupt.size() / 2] ^= 0x55;
  corrupt[corrupt.size() / 2 + 1] ^= 0xFF;
  const Bytes raw = Compress(data, -15);
  for (const Bytes& input : {corrupt, raw}) {
    TLZ77Decoder decoder;
    decoder.BeginDecoding();
    try {
      Decode(decoder, input, data.size());
      ADD_FAILURE() << "no error";
    } catch (const EGraphicCompression& e) {
      EXPECT_STREQ(e.what(), "LZ77 decompression error.");
    }
    decoder.EndDecoding();
  }
}

TEST(ThunderDecoder, OddWidthRowsEndInAZeroNibbleAndStartAfresh) {
  // Width 5. Row 1: raw 9; 2-bit deltas +1, skip, -1; 3-bit deltas +3, skip; a run of 2 whose
  // second pixel falls past the width. Row 2 starts from last = 0: 2-bit deltas +1, +1, +1, then
  // 3-bit deltas -3 and +2. The third row gets no data.
  const Bytes input = {0xC9, 0x5B, 0x9C, 0x02, 0x55, 0xAA};
  TThunderDecoder decoder(5);
  EXPECT_EQ(Decode(decoder, input, 9), (Bytes{0x9A, 0x9C, 0xC0, 0x12, 0x30, 0x20, 0, 0, 0}));
}

}  // namespace
}  // namespace quillo
