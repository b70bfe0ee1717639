#include "imagelib/tiff/tiff_blocks.h"

#include <algorithm>
#include <cstring>

#include "image/image_limits.h"

namespace quillo {
namespace {

// Uncompressed blocks are read this many bytes at a time (at least one row at a time), so that a
// block costs no more memory than that whatever it claims.
constexpr uint64_t kBandBytes = uint64_t{4} << 20;

}  // namespace

TBlockLoop::TBlockLoop(TByteReader& file, const TBlockLayout& layout, std::vector<uint32_t> offsets,
                       std::vector<uint32_t> byte_counts, TDecoder* decoder,
                       TImageProperties& properties)
    : file_(file),
      layout_(layout),
      offsets_(std::move(offsets)),
      byte_counts_(std::move(byte_counts)),
      decoder_(decoder),
      properties_(properties),
      blocks_(layout.planes),
      planes_(layout.planes) {}

uint64_t TBlockLoop::BlockBytes(uint32_t rows) const {
  if (layout_.units) {
    const uint64_t unit_rows =
        (uint64_t{rows} + layout_.units->vertical - 1) / layout_.units->vertical;
    return unit_rows * layout_.units->UnitRowBytes();
  }
  return uint64_t{rows} * layout_.row_bytes;
}

void TBlockLoop::ReadBlock(uint32_t index, std::vector<uint8_t>& buffer, uint64_t size) {
  buffer.resize(CheckedSize(size, 1));
  std::fill(buffer.begin(), buffer.end(), 0);
  file_.Seek(offsets_[index]);
  // A count that claims more than the file holds is cut to what is there.
  const uint64_t claimed = index < byte_counts_.size() ? byte_counts_[index] : 0;
  const auto count = static_cast<int64_t>(std::min<uint64_t>(claimed, file_.Remaining()));
  input_.resize(CheckedSize(count, 1));
  file_.Read(input_.data(), count);
  properties_.StripIndex = index;
  decoder_->DecodeBlock(input_.data(), buffer.data(), input_.size(), buffer.size());
}

bool TBlockLoop::ReadBlocks(uint64_t index, uint64_t per_plane, uint64_t size) {
  if (index + (layout_.planes - 1) * per_plane >= offsets_.size()) return false;
  for (uint32_t p = 0; p < layout_.planes; ++p) {
    ReadBlock(static_cast<uint32_t>(index + p * per_plane), blocks_[p], size);
  }
  return true;
}

void TBlockLoop::ReadRawBand(uint64_t offset, uint64_t size, std::vector<uint8_t>& buffer) {
  // Whole rows of what the file holds from the offset on; later rows read as zero rows.
  const uint64_t held = offset < uint64_t(file_.Size()) ? uint64_t(file_.Size()) - offset : 0;
  const uint64_t row = std::max<uint64_t>(1, BlockBytes(RowStep()));
  const uint64_t kept = std::min(size, (std::min(size, held) + row - 1) / row * row);
  buffer.resize(CheckedSize(kept, 1));
  file_.Seek(static_cast<int64_t>(offset));
  file_.ReadOrZero(buffer.data(), static_cast<int64_t>(kept));
}

bool TBlockLoop::ReadRaw(uint64_t index, uint64_t per_plane, uint32_t rows, TRowPiece first,
                         const TRowSink& sink) {
  if (index + (layout_.planes - 1) * per_plane >= offsets_.size()) return false;
  const uint32_t band = BandRows(rows);
  for (uint32_t done = 0; done < rows; done += band) {
    const uint32_t count = std::min(band, rows - done);
    for (uint32_t p = 0; p < layout_.planes; ++p) {
      const uint64_t block = index + p * per_plane;
      properties_.StripIndex = static_cast<uint32_t>(block);
      ReadRawBand(uint64_t{offsets_[block]} + BlockBytes(done), BlockBytes(count), blocks_[p]);
    }
    HandOver(count, {first.y + done, first.x, first.count}, sink);
    // Strips give whole rows: a failure later leaves these rows as they are.
    if (layout_.tile_length == 0) properties_.RowsDone = first.y + done + count;
  }
  return true;
}

bool TBlockLoop::DecodeInParts(uint64_t index, uint32_t rows, TRowPiece first,
                               const TRowSink& sink) {
  if (index >= offsets_.size()) return false;
  properties_.StripIndex = static_cast<uint32_t>(index);
  const uint64_t claimed = index < byte_counts_.size() ? byte_counts_[index] : 0;
  uint64_t position = offsets_[index];
  const uint64_t held = position < uint64_t(file_.Size()) ? uint64_t(file_.Size()) - position : 0;
  uint64_t left = std::min(claimed, held);
  const TInputPull input = [&] {
    const uint64_t count = std::min(left, kBandBytes);
    input_.resize(count);
    file_.Seek(static_cast<int64_t>(position));
    file_.Read(input_.data(), static_cast<int64_t>(count));
    position += count;
    left -= count;
    return std::span<uint8_t>(input_);
  };
  decoder_->BeginParts();
  const uint32_t band = BandRows(rows);
  for (uint32_t done = 0; done < rows; done += band) {
    const uint32_t count = std::min(band, rows - done);
    blocks_[0].assign(CheckedSize(BlockBytes(count), 1), 0);
    decoder_->DecodePart(input, blocks_[0].data(), blocks_[0].size());
    HandOver(count, {first.y + done, first.x, first.count}, sink);
    properties_.RowsDone = first.y + done + count;
  }
  return true;
}

uint32_t TBlockLoop::BandRows(uint32_t rows) const {
  const uint32_t step = RowStep();
  const uint64_t steps =
      std::max<uint64_t>(1, kBandBytes / std::max<uint64_t>(1, BlockBytes(step)));
  return static_cast<uint32_t>(std::min<uint64_t>(steps * step, rows));
}

uint32_t TBlockLoop::RowStep() const { return layout_.units ? layout_.units->vertical : 1; }

const uint8_t* TBlockLoop::RowOf(const std::vector<uint8_t>& block, uint64_t offset,
                                 uint64_t size) {
  if (offset + size <= block.size()) return block.data() + offset;
  if (zero_row_.size() < size) zero_row_.assign(size, 0);
  return zero_row_.data();
}

void TBlockLoop::HandOver(uint32_t rows, TRowPiece first, const TRowSink& sink) {
  for (uint32_t r = 0; r < rows; ++r) {
    if (layout_.units) {
      const TDataUnitLayout& units = *layout_.units;
      const size_t row_stride = size_t{units.width} * 3;
      if (r % units.vertical == 0) {
        unpacked_.resize(row_stride * units.vertical);
        const uint64_t unit_row = units.UnitRowBytes();
        UnpackDataUnits(units, RowOf(blocks_[0], r / units.vertical * unit_row, unit_row),
                        units.vertical, unpacked_.data(), row_stride);
      }
      planes_[0] = unpacked_.data() + (r % units.vertical) * row_stride;
    } else {
      for (uint32_t p = 0; p < layout_.planes; ++p) {
        const uint64_t offset = uint64_t{r} * layout_.row_bytes;
        if (offset + layout_.row_bytes <= blocks_[p].size()) {
          uint8_t* row = blocks_[p].data() + offset;
          if (layout_.predictor) {
            layout_.predictor(row, layout_.block_width, layout_.predictor_distance);
          }
          planes_[p] = row;
        } else {
          planes_[p] = RowOf(blocks_[p], offset, layout_.row_bytes);
        }
      }
    }
    sink(planes_, {first.y + r, first.x, first.count});
  }
}

void TBlockLoop::Run(const TRowSink& sink) {
  if (layout_.tile_length != 0) {
    RunTiles(sink);
  } else {
    RunStrips(sink);
  }
}

void TBlockLoop::RunStrips(const TRowSink& sink) {
  const auto height = static_cast<uint32_t>(properties_.Height);
  const auto width = static_cast<uint32_t>(properties_.Width);
  const TCardinalArray& rows_per_strip = properties_.RowsPerStrip;
  // With separate planes the strips of plane p follow those of plane p - 1.
  uint64_t per_plane = offsets_.size();
  if (layout_.planes > 1) {
    const uint32_t rows = rows_per_strip.empty() ? height : std::max(rows_per_strip[0], 1u);
    per_plane = (uint64_t{height} + rows - 1) / rows;
  }
  for (uint64_t slot = 0; slot < per_plane && properties_.RowsDone < height; ++slot) {
    uint32_t rows = rows_per_strip.empty()
                        ? height
                        : rows_per_strip[std::min<size_t>(slot, rows_per_strip.size() - 1)];
    // Rows past the image's end are never read, whatever the strip claims.
    rows = std::min(rows, height - properties_.RowsDone);
    if (rows == 0) continue;
    const TRowPiece piece = {properties_.RowsDone, 0, width};
    if (decoder_ == nullptr) {
      if (!ReadRaw(slot, per_plane, rows, piece, sink)) return;
    } else if (decoder_->DecodesInParts() && layout_.planes == 1 && BlockBytes(rows) > kBandBytes) {
      if (!DecodeInParts(slot, rows, piece, sink)) return;
    } else {
      if (!ReadBlocks(slot, per_plane, BlockBytes(rows))) return;
      HandOver(rows, piece, sink);
    }
    properties_.RowsDone = piece.y + rows;
  }
}

void TBlockLoop::RunTiles(const TRowSink& sink) {
  const auto height = static_cast<uint32_t>(properties_.Height);
  const auto width = static_cast<uint32_t>(properties_.Width);
  const uint32_t tile_width = layout_.block_width;
  const uint32_t tile_length = layout_.tile_length;
  const uint64_t across = (uint64_t{width} + tile_width - 1) / tile_width;
  const uint64_t down = (uint64_t{height} + tile_length - 1) / tile_length;
  // Edge tiles are stored whole; only the rows inside the picture are decoded, and only the
  // part inside the picture is handed over.
  for (uint64_t ty = 0; ty < down && ty * across < offsets_.size(); ++ty) {
    const auto y = static_cast<uint32_t>(ty * tile_length);
    const uint32_t rows = std::min(tile_length, height - y);
    for (uint64_t tx = 0; tx < across; ++tx) {
      const auto x = static_cast<uint32_t>(tx * tile_width);
      const uint64_t index = ty * across + tx;
      const TRowPiece piece = {y, x, std::min(tile_width, width - x)};
      if (decoder_ == nullptr) {
        ReadRaw(index, across * down, rows, piece, sink);
      } else if (ReadBlocks(index, across * down, BlockBytes(rows))) {
        HandOver(rows, piece, sink);
      }
    }
    properties_.RowsDone = y + rows;
  }
}

}  // namespace quillo
