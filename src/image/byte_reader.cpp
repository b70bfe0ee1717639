#include "image/byte_reader.h"

#include <algorithm>
#include <cstring>

#include "image/byte_order.h"
#include "platform/errors.h"

namespace quillo {

TByteReader::TByteReader(const uint8_t* data, size_t size, bool big_endian)
    : data_(data), size_(static_cast<int64_t>(size)), big_endian_(big_endian) {}

TByteReader::TByteReader(TStream& stream, bool big_endian)
    : stream_(&stream),
      stream_start_(stream.Position()),
      size_(std::max<int64_t>(0, stream.Size() - stream_start_)),
      big_endian_(big_endian) {}

void TByteReader::Need(int64_t count) const {
  if (count < 0 || count > Remaining()) throw EReadError(kReadErrorMessage);
}

void TByteReader::Copy(void* buffer, int64_t count) {
  if (count == 0) return;
  if (stream_ != nullptr) {
    stream_->SetPosition(stream_start_ + position_);
    stream_->ReadBuffer(buffer, count);
  } else {
    std::memcpy(buffer, data_ + position_, static_cast<size_t>(count));
  }
  position_ += count;
}

void TByteReader::Read(void* buffer, int64_t count) {
  Need(count);
  Copy(buffer, count);
}

uint8_t TByteReader::U8() {
  uint8_t b;
  Read(&b, 1);
  return b;
}

uint16_t TByteReader::U16() {
  uint8_t b[2];
  Read(b, 2);
  return LoadU16(b, big_endian_);
}

uint32_t TByteReader::U32() {
  uint8_t b[4];
  Read(b, 4);
  return LoadU32(b, big_endian_);
}

int64_t TByteReader::ReadOrZero(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const int64_t available = std::min(count, Remaining());
  const int64_t start = position_;
  Copy(buffer, available);
  std::memset(static_cast<uint8_t*>(buffer) + available, 0, static_cast<size_t>(count - available));
  position_ = start + count;
  return available;
}

uint8_t TByteReader::U8OrZero() {
  uint8_t b;
  ReadOrZero(&b, 1);
  return b;
}

uint16_t TByteReader::U16OrZero() {
  uint8_t b[2];
  ReadOrZero(b, 2);
  return LoadU16(b, big_endian_);
}

uint32_t TByteReader::U32OrZero() {
  uint8_t b[4];
  ReadOrZero(b, 4);
  return LoadU32(b, big_endian_);
}

}  // namespace quillo
