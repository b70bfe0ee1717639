// Writing a bitmap as a little-endian TIFF file: bilevel, palette colour, or 8-bit red, green,
// blue samples, by the bitmap's depth. By default uncompressed in one strip; optionally
// compressed in strips of about 64 KB, with the resolution and further tags the caller gives.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "image/tiff_compress.h"
#include "platform/stream.h"

namespace quillo {

// Horizontal and vertical resolution as rationals (numerator, denominator) in pixels per unit;
// unit 2 is the inch, 3 the centimetre.
struct TTiffResolution {
  std::array<uint32_t, 2> x = {0, 1};
  std::array<uint32_t, 2> y = {0, 1};
  uint16_t unit = 2;
};

// A directory entry as it stands in the file: the value field holds the values themselves or the
// offset of bytes the caller placed (see TTiffWriteOptions::prologue).
struct TTiffEntry {
  uint16_t tag = 0;
  uint16_t type = 0;
  uint32_t count = 0;
  std::array<uint8_t, 4> field = {};
};

// A tag whose little-endian value bytes the writer places, in the entry or out of line.
struct TTiffField {
  uint16_t tag = 0;
  uint16_t type = 0;
  uint32_t count = 0;
  std::string bytes;
};

struct TTiffWriteOptions {
  TTiffCompression compression = tcNone;
  // The fixed 87.7 pixels per inch when none is given.
  std::optional<TTiffResolution> resolution;
  // Bytes written right behind the file header, at offset 8, that entries may point into.
  std::string prologue;
  // Entries and fields beyond the writer's own; one for a tag the writer writes replaces the
  // writer's. They must not describe the picture's layout.
  std::vector<TTiffEntry> entries;
  std::vector<TTiffField> fields;
};

// Writes the bitmap as a TIFF file. The target is replaced only once the whole file is written;
// on any failure an existing file keeps its content and no new file is left behind. Throws
// EFCreateError, EWriteError, or the errors of WriteTiff.
void SaveTiffFile(const std::string& path, TBitmap& bitmap, const TTiffWriteOptions& options = {});

// Writes the TIFF at the stream's position, which the file's offsets count from, and leaves the
// position at its end. The stream must be seekable: the directory's offset in the file header is
// filled in last. An empty bitmap throws EInvalidGraphic "ビットマップイメージが不正です", a depth
// that no layout takes "画像フォーマットが不正です"; a short write or failed seek throws
// EWriteError. Asking the bitmap for its handle makes its store private. LZW and Deflate strips
// of 8-bit colour and grey pictures are written with horizontal differencing.
void WriteTiff(TStream& stream, TBitmap& bitmap, const TTiffWriteOptions& options = {});

}  // namespace quillo
