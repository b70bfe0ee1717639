// The block loop of a TIFF load: reads each strip or tile (every plane's for separate planes),
// undoes its compression into a zeroed buffer, undoes the predictor and hands the block's rows,
// top first, to a sink together with their place in the picture. One buffer per plane holds
// one block at a time, and only its rows inside the picture; uncompressed blocks are read a band
// of rows at a time, never more than the file holds, and large compressed strips decoded a band
// at a time where the decoder can stop and go on. Tiles are taken row of tiles by row of
// tiles, left to right.
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

struct TBlockLayout {
  uint32_t planes = 1;       // 1, or one plane per sample
  uint32_t block_width = 0;  // pixels of a block's row: the image's width, or a tile's
  uint32_t tile_length = 0;  // rows of a tile; 0 for strips
  uint64_t row_bytes = 0;    // decoded bytes of one row of one plane of a block
  // Subsampled YCbCr stored by data units; rows reach the sink as Y, Cb, Cr per pixel.
  std::optional<TDataUnitLayout> units;
  TPredictorRoutine predictor = nullptr;
  uint32_t predictor_distance = 1;  // samples between a sample and its predecessor
};

// The pixels of one picture row that a block row covers.
struct TRowPiece {
  uint32_t y = 0;
  uint32_t x = 0;
  uint32_t count = 0;
};

// Receives one block row: one row per plane, `piece.count` pixels of which lie in the picture.
using TRowSink =
    std::function<void(std::span<const uint8_t* const> planes, const TRowPiece& piece)>;

class TBlockLoop {
 public:
  // The file spans the TIFF file from its first byte. Properties give the size and the rows per
  // strip; RowsDone and StripIndex move on as blocks are read.
  TBlockLoop(TByteReader& file, const TBlockLayout& layout, std::vector<uint32_t> offsets,
             std::vector<uint32_t> byte_counts, TDecoder* decoder, TImageProperties& properties);

  void Run(const TRowSink& sink);

 private:
  void RunStrips(const TRowSink& sink);
  void RunTiles(const TRowSink& sink);
  // Bytes a block of that many rows holds.
  uint64_t BlockBytes(uint32_t rows) const;
  // Reads and decodes block `index` of every plane, plane p's at index + p × per_plane; false
  // when the file lists no such block.
  bool ReadBlocks(uint64_t index, uint64_t per_plane, uint64_t size);
  // Reads and decodes the block into the buffer; bytes that are not there stay 0.
  void ReadBlock(uint32_t index, std::vector<uint8_t>& buffer, uint64_t size);
  // Reads `rows` rows of uncompressed block `index` of every plane, band by band, and hands them
  // to the sink, the first at `first`; false when the file lists no such block.
  bool ReadRaw(uint64_t index, uint64_t per_plane, uint32_t rows, TRowPiece first,
               const TRowSink& sink);
  // Decodes `rows` rows of compressed block `index` (of a single plane) band by band, reading its
  // compressed bytes piece by piece, and hands them to the sink; false when there is no such block.
  bool DecodeInParts(uint64_t index, uint32_t rows, TRowPiece first, const TRowSink& sink);
  // Rows of a band: as many as fit the band's bytes, whole rows of data units, at least one.
  uint32_t BandRows(uint32_t rows) const;
  // Reads size bytes from the offset into the buffer, cut to the whole rows the file holds.
  void ReadRawBand(uint64_t offset, uint64_t size, std::vector<uint8_t>& buffer);
  // Rows that go together: a row of data units, or one row.
  uint32_t RowStep() const;
  // The size bytes at the offset in the block, or zeros where the block holds none.
  const uint8_t* RowOf(const std::vector<uint8_t>& block, uint64_t offset, uint64_t size);
  // Hands the first `rows` rows of the blocks read last to the sink, the first at `first`.
  void HandOver(uint32_t rows, TRowPiece first, const TRowSink& sink);

  TByteReader& file_;
  TBlockLayout layout_;
  std::vector<uint32_t> offsets_;
  std::vector<uint32_t> byte_counts_;
  TDecoder* decoder_;
  TImageProperties& properties_;
  std::vector<std::vector<uint8_t>> blocks_;
  std::vector<uint8_t> input_;
  std::vector<uint8_t> unpacked_;
  std::vector<const uint8_t*> planes_;
  std::vector<uint8_t> zero_row_;
};

}  // namespace quillo
