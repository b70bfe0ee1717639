#include "image/rotation.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/errors.h"

namespace quillo {
namespace {

// Quarter turns read the source down its columns. Copying tile by tile keeps the few dozen
// source rows of a tile in the cache while their pixels are taken.
constexpr int32_t kTile = 32;

// The turned picture, made in the source's format with one allocation; every pixel of it is
// written, so it is not painted white first.
class TTurnedBitmap : public TBitmap {
 public:
  TTurnedBitmap(const TBitmap& source, int32_t width, int32_t height) {
    SetUpPicture(source.PixelFormat(), width, height, source.Image().palette, false);
  }
};

int PixelBytes(const TBitmap& bitmap) {
  switch (bitmap.PixelFormat()) {
    case px24Bit:
      return 3;
    case px32Bit:
      return 4;
    default:
      throw Exception(kRotationFormatMessage);
  }
}

// The addresses of the source's rows, top row first (none for an empty bitmap). Reading them
// leaves a store shared with another bitmap shared.
std::vector<const uint8_t*> SourceRows(const TBitmap& bitmap) {
  std::vector<const uint8_t*> rows(bitmap.Empty() ? 0 : static_cast<size_t>(bitmap.Height()));
  for (size_t y = 0; y < rows.size(); ++y) rows[y] = bitmap.Image().Row(static_cast<int32_t>(y));
  return rows;
}

// Rows of the turned picture by arithmetic from its first row.
struct TargetRows {
  uint8_t* first;
  ptrdiff_t step;
  uint8_t* operator()(int32_t y) const { return first + y * step; }
};

TargetRows RowsOf(TBitmap& bitmap) {
  uint8_t* first = bitmap.RowAddress(0);
  return {first, bitmap.Height() > 1 ? bitmap.RowAddress(1) - first : 0};
}

// Target pixel (x, y) comes from source row `x` (clockwise: H - 1 - x) at source column `y`
// (counter-clockwise: W - 1 - y).
template <int kBytes>
void TurnQuarter(const std::vector<const uint8_t*>& source, int32_t source_width, TargetRows target,
                 bool clockwise) {
  const auto height = static_cast<int32_t>(source.size());
  for (int32_t y0 = 0; y0 < source_width; y0 += kTile) {
    const int32_t y1 = std::min(y0 + kTile, source_width);
    for (int32_t x0 = 0; x0 < height; x0 += kTile) {
      const int32_t x1 = std::min(x0 + kTile, height);
      for (int32_t y = y0; y < y1; ++y) {
        const ptrdiff_t column = ptrdiff_t{clockwise ? y : source_width - 1 - y} * kBytes;
        uint8_t* out = target(y) + ptrdiff_t{x0} * kBytes;
        for (int32_t x = x0; x < x1; ++x, out += kBytes) {
          std::memcpy(out, source[clockwise ? height - 1 - x : x] + column, kBytes);
        }
      }
    }
  }
}

template <int kBytes>
void TurnHalf(const std::vector<const uint8_t*>& source, int32_t width, TargetRows target) {
  const auto height = static_cast<int32_t>(source.size());
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* in = source[height - 1 - y] + ptrdiff_t{width - 1} * kBytes;
    uint8_t* out = target(y);
    for (int32_t x = 0; x < width; ++x, in -= kBytes, out += kBytes) {
      std::memcpy(out, in, kBytes);
    }
  }
}

template <int kBytes>
void Mirror(const std::vector<const uint8_t*>& source, int32_t width, TargetRows target) {
  const auto height = static_cast<int32_t>(source.size());
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* in = source[y] + ptrdiff_t{width - 1} * kBytes;
    uint8_t* out = target(y);
    for (int32_t x = 0; x < width; ++x, in -= kBytes, out += kBytes) {
      std::memcpy(out, in, kBytes);
    }
  }
}

using SameSizeRoutine = void (*)(const std::vector<const uint8_t*>&, int32_t, TargetRows);

// Redraws the picture at its own size through the routine for its pixel's byte count.
template <SameSizeRoutine kThreeBytes, SameSizeRoutine kFourBytes>
void IntoSameSize(TBitmap& bitmap) {
  const SameSizeRoutine routine = PixelBytes(bitmap) == 3 ? kThreeBytes : kFourBytes;
  const int32_t width = bitmap.Width();
  const std::vector<const uint8_t*> source = SourceRows(bitmap);
  TTurnedBitmap turned(bitmap, width, bitmap.Height());
  if (!turned.Empty()) routine(source, width, RowsOf(turned));
  bitmap.AssignFrom(&turned);
}

}  // namespace

void RotateBitmap90(TBitmap& bitmap, TRotationDirection direction) {
  const int bytes = PixelBytes(bitmap);
  const int32_t width = bitmap.Width();
  const std::vector<const uint8_t*> source = SourceRows(bitmap);
  TTurnedBitmap turned(bitmap, bitmap.Height(), width);
  if (!turned.Empty()) {
    const bool clockwise = direction == rdClockwise;
    if (bytes == 3) {
      TurnQuarter<3>(source, width, RowsOf(turned), clockwise);
    } else {
      TurnQuarter<4>(source, width, RowsOf(turned), clockwise);
    }
  }
  bitmap.AssignFrom(&turned);
}

void RotateBitmap180(TBitmap& bitmap) { IntoSameSize<TurnHalf<3>, TurnHalf<4>>(bitmap); }

void MirrorBitmap(TBitmap& bitmap) { IntoSameSize<Mirror<3>, Mirror<4>>(bitmap); }

void TurnBitmap(TBitmap& bitmap, TPictureTurn turn) {
  switch (turn) {
    case ptNone:
      break;
    case ptFlipHorizontal:
      MirrorBitmap(bitmap);
      break;
    case ptRotate180:
      RotateBitmap180(bitmap);
      break;
    case ptFlipVertical:
      RotateBitmap180(bitmap);
      MirrorBitmap(bitmap);
      break;
    case ptTranspose:
      RotateBitmap90(bitmap, rdClockwise);
      MirrorBitmap(bitmap);
      break;
    case ptRotate90:
      RotateBitmap90(bitmap, rdClockwise);
      break;
    case ptTransverse:
      RotateBitmap90(bitmap, rdCounterClockwise);
      MirrorBitmap(bitmap);
      break;
    case ptRotate270:
      RotateBitmap90(bitmap, rdCounterClockwise);
      break;
  }
}

}  // namespace quillo
