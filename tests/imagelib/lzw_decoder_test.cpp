// Hand-coded LZW strips for what libtiff never writes: the old writers' bit order with its later
// widening of the codes, strings cut at the end of the output, data without an end code, and
// damaged codes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imagelib/decoders/lzw_decoder.h"
#include "platform/errors.h"

namespace quillo {
namespace {

using Bytes = std::vector<uint8_t>;
using Codes = std::vector<uint16_t>;

// The codes packed at 9 bits each, or at 10 bits from the code at `wide_from` on, least or most
// significant bit first.
Bytes Pack(const Codes& codes, bool lsb_first, size_t wide_from = SIZE_MAX) {
  Bytes out;
  uint64_t bits = 0;
  int count = 0;
  for (size_t i = 0; i < codes.size(); ++i) {
    const int width = i < wide_from ? 9 : 10;
    bits = lsb_first ? bits | uint64_t{codes[i]} << count : bits << width | codes[i];
    count += width;
    for (; count >= 8; count -= 8) {
      out.push_back(static_cast<uint8_t>(lsb_first ? bits : bits >> (count - 8)));
      if (lsb_first) bits >>= 8;
    }
  }
  if (count > 0) out.push_back(static_cast<uint8_t>(lsb_first ? bits : bits << (8 - count)));
  return out;
}

// A clear code, 300 literal bytes and an end code: the table grows by one string a code and
// passes 511 entries, where the codes widen.
Codes LiteralRun() {
  Codes codes = {256};
  for (int i = 0; i < 300; ++i) codes.push_back(static_cast<uint16_t>(i * 7 % 256));
  codes.push_back(257);
  return codes;
}

Bytes LiteralBytes() {
  Bytes bytes;
  for (int i = 0; i < 300; ++i) bytes.push_back(static_cast<uint8_t>(i * 7 % 256));
  return bytes;
}

// 10 six times, 20, 30: the second and third codes are each defined by their own use.
const Codes kTens = {256, 10, 258, 259, 20, 30, 257};
const Bytes kTensBytes = {10, 10, 10, 10, 10, 10, 20, 30};

struct LzwCase {
  const char* name;
  Bytes input;
  size_t output_size;
  Bytes output;
};

class HandCodedLzw : public ::testing::TestWithParam<LzwCase> {};

TEST_P(HandCodedLzw, Output) {
  Bytes input = GetParam().input;
  Bytes output(GetParam().output_size);
  TLZWDecoder decoder;
  decoder.DecodeBlock(input.data(), output.data(), input.size(), output.size());
  EXPECT_EQ(output, GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(
    Strips, HandCodedLzw,
    ::testing::Values(
        LzwCase{"OldStyleLeastSignificantBitFirst", Pack(kTens, true), 8, kTensBytes},
        LzwCase{"MostSignificantBitFirst", Pack(kTens, false), 8, kTensBytes},
        // The old writers widen when the table reaches 512 strings, the others one code before.
        LzwCase{"OldStyleWidensAt512", Pack(LiteralRun(), true, 256), 300, LiteralBytes()},
        LzwCase{"WidensAt511", Pack(LiteralRun(), false, 255), 300, LiteralBytes()},
        LzwCase{"StringCutAtTheEndOfTheOutput", Pack({256, 10, 258, 259, 259, 257}, false), 8,
                Bytes(8, 10)},
        LzwCase{"DataWithoutEndCode", Pack({256, 10, 20}, false), 4, {10, 20, 0, 0}},
        LzwCase{"ClearCodeStartsTheTableAfresh",
                Pack({256, 10, 258, 256, 30, 258, 257}, false),
                6,
                {10, 10, 10, 30, 30, 30}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LzwDecoder, CodesTheTableDoesNotHoldRaiseTheDecompressionError) {
  for (const Codes& codes : {Codes{256, 10, 300}, Codes{256, 258, 257}}) {
    Bytes input = Pack(codes, false);
    Bytes output(8);
    TLZWDecoder decoder;
    try {
      decoder.DecodeBlock(input.data(), output.data(), input.size(), output.size());
      ADD_FAILURE() << "decoded " << codes[1];
    } catch (const EGraphicCompression& e) {
      EXPECT_EQ(e.Message(), "LZW decompression error.");
    }
  }
}

}  // namespace
}  // namespace quillo
