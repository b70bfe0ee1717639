// Compressing the strips of a TIFF file: PackBits row by row, LZW and Deflate a strip at a time,
// and the horizontal differencing that makes LZW and Deflate work well on photos.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace quillo {

enum TTiffCompression : uint8_t { tcNone, tcPackBits, tcLzw, tcDeflate };

// The Compression tag's value for each kind.
uint16_t CompressionTagValue(TTiffCompression compression);

// Replaces every sample of the row, from the last to the one `distance` samples from the start,
// by its difference from the sample `distance` before it (8-bit samples, modulo 256).
void DifferenceRow(uint8_t* row, int64_t bytes, int distance);

class TStripCompressor {
 public:
  // For strips of rows of `row_bytes` bytes each.
  TStripCompressor(TTiffCompression compression, int64_t row_bytes);
  ~TStripCompressor();
  TStripCompressor(const TStripCompressor&) = delete;
  TStripCompressor& operator=(const TStripCompressor&) = delete;

  // The compressed strip of `rows` rows; valid until the next call.
  const std::vector<uint8_t>& Compress(const uint8_t* strip, int64_t rows);

 private:
  class LzwTable;
  struct DeflateRelease {
    void operator()(void* compressor) const;
  };

  void PackBits(const uint8_t* strip, int64_t rows);
  void Lzw(const uint8_t* bytes, int64_t count);
  void Deflate(const uint8_t* bytes, int64_t count);

  TTiffCompression compression_;
  int64_t row_bytes_;
  std::vector<uint8_t> out_;
  std::unique_ptr<LzwTable> lzw_;
  std::unique_ptr<void, DeflateRelease> deflate_;
};

}  // namespace quillo
