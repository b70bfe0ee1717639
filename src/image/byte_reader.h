// Bounded reads of untrusted bytes, from a span or from a stream's position to its end, in a byte
// order the data declare. Two ways to read: the checked one raises the stream's short-read error
// (EReadError) when the bytes are not there; the "or zero" one reads past the end as zeros.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/stream.h"

namespace quillo {

class TByteReader {
 public:
  TByteReader(const uint8_t* data, size_t size, bool big_endian = false);
  // Reads the stream from its current position to its end; moves the stream's position.
  explicit TByteReader(TStream& stream, bool big_endian = false);

  bool BigEndian() const { return big_endian_; }
  void SetBigEndian(bool big_endian) { big_endian_ = big_endian; }

  // Positions count from the first readable byte and may lie past the end.
  int64_t Position() const { return position_; }
  int64_t Size() const { return size_; }
  int64_t Remaining() const { return position_ < size_ ? size_ - position_ : 0; }
  void Seek(int64_t position) { position_ = position < 0 ? size_ : position; }
  void Skip(int64_t count) { Seek(position_ + count); }

  // Raises EReadError unless count more bytes can be read.
  void Need(int64_t count) const;
  void Read(void* buffer, int64_t count);
  uint8_t U8();
  uint16_t U16();
  uint32_t U32();

  // Fills the buffer, zeros past the end; returns how many bytes came from the data.
  int64_t ReadOrZero(void* buffer, int64_t count);
  uint8_t U8OrZero();
  uint16_t U16OrZero();
  uint32_t U32OrZero();

 private:
  // Copies count bytes that are known to be there.
  void Copy(void* buffer, int64_t count);

  const uint8_t* data_ = nullptr;
  TStream* stream_ = nullptr;
  int64_t stream_start_ = 0;
  int64_t size_ = 0;
  int64_t position_ = 0;
  bool big_endian_ = false;
};

}  // namespace quillo
