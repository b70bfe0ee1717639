// Bounded reads of untrusted bytes: the checked and the zero-filling way, both byte orders, and
// sizes whose byte count does not fit 32 bits.
#include "image/byte_reader.h"

#include <gtest/gtest.h>

#include <vector>

#include "image/image_limits.h"
#include "platform/errors.h"

namespace quillo {
namespace {

const std::vector<uint8_t> kBytes = {0x12, 0x34, 0x56, 0x78, 0x9A};

TEST(ByteReader, ReadsWordsInTheDeclaredOrderFromSpanAndStream) {
  TMemoryStream stream(std::vector<uint8_t>{0xEE, 0x12, 0x34, 0x56, 0x78, 0x9A});
  stream.SetPosition(1);  // a stream is read from its position on
  TByteReader from_stream(stream);
  TByteReader from_span(kBytes.data(), kBytes.size());
  for (TByteReader* reader : {&from_span, &from_stream}) {
    EXPECT_EQ(reader->Size(), 5);
    EXPECT_EQ(reader->U16(), 0x3412);
    reader->Seek(0);
    reader->SetBigEndian(true);
    EXPECT_EQ(reader->U16(), 0x1234);
    reader->Seek(1);
    EXPECT_EQ(reader->U32(), 0x3456789Au);
    reader->SetBigEndian(false);
    reader->Seek(1);
    EXPECT_EQ(reader->U32(), 0x9A785634u);
    EXPECT_EQ(reader->Remaining(), 0);
  }
}

TEST(ByteReader, CheckedReadPastTheEndRaisesTheReadErrorAndMovesNothing) {
  TByteReader reader(kBytes.data(), kBytes.size());
  reader.Seek(3);
  EXPECT_THROW(reader.U32(), EReadError);
  EXPECT_EQ(reader.Position(), 3);
  EXPECT_THROW(reader.Need(3), EReadError);
  EXPECT_NO_THROW(reader.Need(2));
  reader.Seek(100);
  EXPECT_THROW(reader.U8(), EReadError);
  EXPECT_THROW(reader.Need(-1), EReadError);
}

TEST(ByteReader, ZeroReadPastTheEndFillsZerosAndAdvances) {
  TMemoryStream stream(kBytes);
  TByteReader from_stream(stream);
  TByteReader from_span(kBytes.data(), kBytes.size());
  for (TByteReader* reader : {&from_span, &from_stream}) {
    reader->Seek(3);
    EXPECT_EQ(reader->U32OrZero(), 0x9A78u);
    EXPECT_EQ(reader->Position(), 7);
    EXPECT_EQ(reader->U16OrZero(), 0);
    uint8_t buffer[4] = {1, 1, 1, 1};
    reader->Seek(4);
    EXPECT_EQ(reader->ReadOrZero(buffer, 4), 1);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 4), (std::vector<uint8_t>{0x9A, 0, 0, 0}));
  }
}

TEST(CheckedSize, ProductsBeyondTheStoreLimitAreRefusedWithoutWrappingIn32Bits) {
  EXPECT_EQ(CheckedSize(1000, 3), 3000u);
  EXPECT_EQ(CheckedSize(0, 1u << 31), 0u);
  // 2^16 × 2^16 is 0 in 32 bits; 2^32 + 1 wraps to 1.
  EXPECT_THROW(CheckedSize(65536, 65536), EInvalidGraphic);
  EXPECT_THROW(CheckedSize(uint64_t{1} << 32 | 1, 1), EInvalidGraphic);
  EXPECT_THROW(CheckedSize(UINT64_MAX, 2), EInvalidGraphic);
  try {
    CheckedSize(uint64_t{1} << 40, 4, "refused");
    ADD_FAILURE();
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "refused");
  }
}

}  // namespace
}  // namespace quillo
