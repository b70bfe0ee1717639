#include "imagelib/reader_graphic.h"

#include "platform/errors.h"

namespace quillo {

void TReaderGraphic::AssignFrom(TGraphic* source) {
  if (auto* reader = dynamic_cast<TReaderGraphic*>(source)) properties_ = reader->properties_;
  TBitmap::AssignFrom(source);
}

bool TReaderGraphic::CanLoadStream(TStream&) { return false; }

bool TReaderGraphic::ReadProperties(TStream&, uint32_t) {
  properties_ = TImageProperties{};
  properties_.Gamma = 1.0f;
  return false;
}

namespace {

// Puts a stream back where it was when it goes out of scope.
class PositionGuard {
 public:
  explicit PositionGuard(TStream& stream) : stream_(stream), position_(stream.Position()) {}
  ~PositionGuard() { stream_.SetPosition(position_); }
  PositionGuard(const PositionGuard&) = delete;
  PositionGuard& operator=(const PositionGuard&) = delete;

 private:
  TStream& stream_;
  int64_t position_;
};

}  // namespace

int64_t PeekBytes(TStream& stream, void* buffer, int64_t count) {
  PositionGuard guard(stream);
  int64_t done = 0;
  while (done < count) {
    const int64_t got = stream.Read(static_cast<uint8_t*>(buffer) + done, count - done);
    if (got <= 0) break;
    done += got;
  }
  return done;
}

void RaiseGraphicError(const std::string& message) { throw EInvalidGraphic(message); }

void RaiseGraphicErrorFmt(std::string_view pattern, std::initializer_list<std::string_view> args) {
  throw EInvalidGraphic(Format(pattern, args));
}

void SwapWordArray(uint16_t* values, size_t count) {
  for (size_t i = 0; i < count; ++i) values[i] = __builtin_bswap16(values[i]);
}

void SwapLongArray(uint32_t* values, size_t count) {
  for (size_t i = 0; i < count; ++i) values[i] = __builtin_bswap32(values[i]);
}

uint32_t SwapLong(uint32_t value) { return __builtin_bswap32(value); }

}  // namespace quillo
