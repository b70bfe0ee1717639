#include "imagelib/decoders/lz77_decoder.h"

#include <libdeflate.h>

#include <cstring>

#include "platform/errors.h"

namespace quillo {
namespace {

[[noreturn]] void Fail() { throw EGraphicCompression(kLz77ErrorMessage); }

}  // namespace

TLZ77Decoder::TLZ77Decoder() : stream_() {}

TLZ77Decoder::~TLZ77Decoder() {
  if (created_) inflateEnd(&stream_);
  libdeflate_free_decompressor(whole_);
}

void TLZ77Decoder::BeginDecoding() {
  if (created_) return;
  stream_ = z_stream();
  if (inflateInit(&stream_) != Z_OK) Fail();
  created_ = true;
  if (whole_ == nullptr) whole_ = libdeflate_alloc_decompressor();
}

void TLZ77Decoder::EndDecoding() {
  if (!created_) return;
  created_ = false;
  if (inflateEnd(&stream_) != Z_OK) Fail();
}

void TLZ77Decoder::DecodeBlock(uint8_t* input, uint8_t* output, size_t input_size,
                               size_t output_size) {
  if (!created_) Fail();
  size_t produced = 0;
  if (whole_ != nullptr &&
      libdeflate_zlib_decompress(whole_, input, input_size, output, output_size, &produced) ==
          LIBDEFLATE_SUCCESS) {
    return;
  }
  // The refused attempt may have left bytes the data do not produce.
  std::memset(output, 0, output_size);
  InflateAsFarAsItGoes(input, output, input_size, output_size);
}

void TLZ77Decoder::InflateAsFarAsItGoes(uint8_t* input, uint8_t* output, size_t input_size,
                                        size_t output_size) {
  // Strips are bounded by the store limit, well inside zlib's 32-bit counts.
  if (input_size > UINT32_MAX || output_size > UINT32_MAX || inflateReset(&stream_) != Z_OK) {
    Fail();
  }
  stream_.next_in = input;
  stream_.avail_in = static_cast<uInt>(input_size);
  stream_.next_out = output;
  stream_.avail_out = static_cast<uInt>(output_size);
  const int result = inflate(&stream_, Z_PARTIAL_FLUSH);
  // Z_BUF_ERROR only says that the data or the room ran out before the stream's end.
  if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) Fail();
}

void TLZ77Decoder::BeginParts() {
  if (!created_ || inflateReset(&stream_) != Z_OK) Fail();
  stream_.avail_in = 0;
  ended_ = false;
}

void TLZ77Decoder::DecodePart(const TInputPull& input, uint8_t* output, size_t output_size) {
  if (output_size > UINT32_MAX) Fail();
  stream_.next_out = output;
  stream_.avail_out = static_cast<uInt>(output_size);
  while (stream_.avail_out > 0 && !ended_) {
    if (stream_.avail_in == 0) {
      const std::span<uint8_t> piece = input();
      if (piece.empty() || piece.size() > UINT32_MAX) return;
      stream_.next_in = piece.data();
      stream_.avail_in = static_cast<uInt>(piece.size());
    }
    const int result = inflate(&stream_, Z_NO_FLUSH);
    ended_ = result == Z_STREAM_END;
    if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) Fail();
  }
}

}  // namespace quillo
