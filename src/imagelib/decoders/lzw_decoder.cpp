#include "imagelib/decoders/lzw_decoder.h"

#include "platform/errors.h"

namespace quillo {
namespace {

constexpr uint32_t kClearCode = 256;
constexpr uint32_t kEndCode = 257;
constexpr uint32_t kFirstFreeCode = 258;
constexpr uint32_t kFirstWidth = 9;
constexpr uint32_t kMaxWidth = 12;
constexpr uint32_t kNoCode = UINT32_MAX;

[[noreturn]] void Fail() { throw EGraphicCompression(kLzwErrorMessage); }

}  // namespace

TLZWDecoder::TLZWDecoder() {
  for (uint32_t c = 0; c < 256; ++c) {
    table_[c] = {0, 1, static_cast<uint8_t>(c), static_cast<uint8_t>(c)};
  }
}

void TLZWDecoder::DecodeBlock(uint8_t* input, uint8_t* output, size_t input_size,
                              size_t output_size) {
  // A clear code stored least significant bit first leaves the first byte empty and sets the
  // lowest bit of the second; stored the other way round it makes the first byte 0x80.
  if (input_size >= 2 && input[0] == 0 && (input[1] & 1) != 0) {
    Decode<true>(input, input_size, output, output_size);
  } else {
    Decode<false>(input, input_size, output, output_size);
  }
}

template <bool kLsbFirst>
void TLZWDecoder::Decode(const uint8_t* in, size_t input_size, uint8_t* out, size_t output_size) {
  const uint8_t* const in_end = in + input_size;
  uint8_t* const out_end = out + output_size;
  TEntry* const table = table_.data();
  // Codes stored most significant bit first widen one code before the table needs it.
  constexpr uint32_t kEarly = kLsbFirst ? 0 : 1;
  uint64_t bits = 0;
  uint32_t count = 0;
  uint32_t width = kFirstWidth;
  uint32_t next = kFirstFreeCode;
  uint32_t widen_at = (1u << width) - kEarly;
  uint32_t previous = kNoCode;
  while (out < out_end) {
    if (count < width) {
      while (count <= 56 && in < in_end) {
        if constexpr (kLsbFirst) {
          bits |= uint64_t{*in++} << count;
        } else {
          bits = bits << 8 | *in++;
        }
        count += 8;
      }
      if (count < width) return;
    }
    const uint32_t mask = (1u << width) - 1;
    uint32_t code;
    if constexpr (kLsbFirst) {
      code = static_cast<uint32_t>(bits) & mask;
      bits >>= width;
    } else {
      code = static_cast<uint32_t>(bits >> (count - width)) & mask;
    }
    count -= width;

    if (code == kClearCode) {
      width = kFirstWidth;
      next = kFirstFreeCode;
      widen_at = (1u << width) - kEarly;
      previous = kNoCode;
      continue;
    }
    if (code == kEndCode) return;
    if (previous == kNoCode) {
      if (code > 255) Fail();
      *out++ = static_cast<uint8_t>(code);
      previous = code;
      continue;
    }
    if (code > next) Fail();
    if (next < kTableSize) {
      // The new string is the previous one and the first byte of this one, which for the code
      // about to be defined is the previous string's first byte.
      const TEntry& before = table[previous];
      const uint8_t last = code < next ? table[code].first : before.first;
      table[next] = {static_cast<uint16_t>(previous), static_cast<uint16_t>(before.length + 1),
                     last, before.first};
      if (++next == widen_at && width < kMaxWidth) {
        ++width;
        widen_at = (1u << width) - kEarly;
      }
    }
    previous = code;
    if (code < 256) {
      *out++ = static_cast<uint8_t>(code);
      continue;
    }
    // The string is written from its last byte back to its first, along the prefixes.
    size_t length = table[code].length;
    const auto room = static_cast<size_t>(out_end - out);
    uint32_t c = code;
    if (length > room) {
      for (size_t cut = length - room; cut > 0; --cut) c = table[c].prefix;
      length = room;
    }
    uint8_t* p = out + length;
    while (c > 255) {
      *--p = table[c].last;
      c = table[c].prefix;
    }
    *--p = static_cast<uint8_t>(c);
    out += length;
  }
}

}  // namespace quillo
