// The strip loop of a TIFF load: reads each strip (every plane's strip for separate planes),
// undoes its compression into a zeroed buffer, undoes the predictor and hands the image's rows,
// top first, to a sink. One buffer per plane holds one strip at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "image/byte_reader.h"
#include "imagelib/decoders/decoder.h"
#include "imagelib/reader_graphic.h"
#include "imagelib/tiff/tiff_predictor.h"
#include "imagelib/tiff/ycbcr_units.h"

namespace quillo {

struct TStripLayout {
  uint32_t planes = 1;     // 1, or one plane per sample
  uint64_t row_bytes = 0;  // decoded bytes of one row of one plane
  // Subsampled YCbCr stored by data units; rows reach the sink as Y, Cb, Cr per pixel.
  std::optional<TDataUnitLayout> units;
  TPredictorRoutine predictor = nullptr;
  uint32_t predictor_distance = 1;  // samples between a sample and its predecessor
};

// Receives the rows of one image line: one row per plane.
using TRowSink = std::function<void(std::span<const uint8_t* const> planes)>;

class TStripLoop {
 public:
  // The file spans the TIFF file from its first byte. Properties give the size and the rows per
  // strip; RowsDone and StripIndex move on as rows are handed over.
  TStripLoop(TByteReader& file, const TStripLayout& layout, std::vector<uint32_t> offsets,
             std::vector<uint32_t> byte_counts, TDecoder* decoder, TImageProperties& properties);

  void Run(const TRowSink& sink);

 private:
  // Bytes a strip of that many rows holds.
  uint64_t StripBytes(uint32_t rows) const;
  // Reads and decodes the strip into the buffer; bytes that are not there stay 0.
  void ReadStrip(uint32_t index, std::vector<uint8_t>& buffer, uint64_t size);

  TByteReader& file_;
  TStripLayout layout_;
  std::vector<uint32_t> offsets_;
  std::vector<uint32_t> byte_counts_;
  TDecoder* decoder_;
  TImageProperties& properties_;
  std::vector<std::vector<uint8_t>> strips_;
  std::vector<uint8_t> input_;
  std::vector<uint8_t> unpacked_;
};

}  // namespace quillo
