#include "imagelib/tiff/tiff_strips.h"

#include <algorithm>
#include <cstring>

#include "image/image_limits.h"

namespace quillo {

TStripLoop::TStripLoop(TByteReader& file, const TStripLayout& layout, std::vector<uint32_t> offsets,
                       std::vector<uint32_t> byte_counts, TDecoder* decoder,
                       TImageProperties& properties)
    : file_(file),
      layout_(layout),
      offsets_(std::move(offsets)),
      byte_counts_(std::move(byte_counts)),
      decoder_(decoder),
      properties_(properties),
      strips_(layout.planes) {}

uint64_t TStripLoop::StripBytes(uint32_t rows) const {
  if (layout_.units) {
    const uint64_t unit_rows =
        (uint64_t{rows} + layout_.units->vertical - 1) / layout_.units->vertical;
    return unit_rows * layout_.units->UnitRowBytes();
  }
  return uint64_t{rows} * layout_.row_bytes;
}

void TStripLoop::ReadStrip(uint32_t index, std::vector<uint8_t>& buffer, uint64_t size) {
  buffer.resize(CheckedSize(size, 1));
  file_.Seek(offsets_[index]);
  if (decoder_ == nullptr) {
    file_.ReadOrZero(buffer.data(), static_cast<int64_t>(size));
    return;
  }
  std::fill(buffer.begin(), buffer.end(), 0);
  // A count that claims more than the file holds is cut to what is there.
  const uint64_t claimed = index < byte_counts_.size() ? byte_counts_[index] : 0;
  const auto count = static_cast<int64_t>(std::min<uint64_t>(claimed, file_.Remaining()));
  input_.resize(CheckedSize(count, 1));
  file_.Read(input_.data(), count);
  properties_.StripIndex = index;
  decoder_->DecodeBlock(input_.data(), buffer.data(), input_.size(), buffer.size());
}

void TStripLoop::Run(const TRowSink& sink) {
  const auto height = static_cast<uint32_t>(properties_.Height);
  const auto width = static_cast<uint32_t>(properties_.Width);
  const TCardinalArray& rows_per_strip = properties_.RowsPerStrip;
  const auto strip_count = static_cast<uint32_t>(offsets_.size());
  // With separate planes the strips of plane p follow those of plane p - 1.
  uint32_t per_plane = strip_count;
  uint32_t slots = strip_count;
  if (layout_.planes > 1) {
    const uint32_t rows = rows_per_strip.empty() ? height : std::max(rows_per_strip[0], 1u);
    per_plane = static_cast<uint32_t>((uint64_t{height} + rows - 1) / rows);
    slots = std::min(per_plane, strip_count / layout_.planes);
  }
  properties_.StripCount = strip_count;
  std::vector<const uint8_t*> planes(layout_.planes);
  for (uint32_t slot = 0; slot < slots && properties_.RowsDone < height; ++slot) {
    uint32_t rows = rows_per_strip.empty()
                        ? height
                        : rows_per_strip[std::min<size_t>(slot, rows_per_strip.size() - 1)];
    // Rows past the image's end are never read, whatever the strip claims.
    rows = std::min(rows, height - properties_.RowsDone);
    if (rows == 0) continue;
    const uint64_t size = StripBytes(rows);
    for (uint32_t p = 0; p < layout_.planes; ++p) ReadStrip(p * per_plane + slot, strips_[p], size);

    for (uint32_t r = 0; r < rows; ++r) {
      if (layout_.units) {
        const TDataUnitLayout& units = *layout_.units;
        const size_t row_stride = size_t{width} * 3;
        if (r % units.vertical == 0) {
          unpacked_.resize(row_stride * units.vertical);
          UnpackDataUnits(units, strips_[0].data() + r / units.vertical * units.UnitRowBytes(),
                          units.vertical, unpacked_.data(), row_stride);
        }
        planes[0] = unpacked_.data() + (r % units.vertical) * row_stride;
      } else {
        for (uint32_t p = 0; p < layout_.planes; ++p) {
          uint8_t* row = strips_[p].data() + r * layout_.row_bytes;
          if (layout_.predictor) layout_.predictor(row, width, layout_.predictor_distance);
          planes[p] = row;
        }
      }
      sink(planes);
      ++properties_.RowsDone;
    }
  }
}

}  // namespace quillo
