// Writing a bitmap as an uncompressed little-endian TIFF file with one strip: bilevel, palette
// colour, or 8-bit red, green, blue samples, by the bitmap's depth.
#pragma once

#include <string>

#include "image/bitmap.h"
#include "platform/stream.h"

namespace quillo {

// Writes the bitmap as a TIFF file. The target is replaced only once the whole file is written;
// on any failure an existing file keeps its content and no new file is left behind. Throws
// EFCreateError, EWriteError, or the errors of WriteTiff.
void SaveTiffFile(const std::string& path, TBitmap& bitmap);

// Writes the TIFF at the stream's position, which the file's offsets count from, and leaves the
// position at its end. The stream must be seekable: the directory's offset in the file header is
// filled in last. An empty bitmap throws EInvalidGraphic "ビットマップイメージが不正です", a depth
// that no layout takes "画像フォーマットが不正です"; a short write or failed seek throws
// EWriteError. Asking the bitmap for its handle makes its store private.
void WriteTiff(TStream& stream, TBitmap& bitmap);

}  // namespace quillo
