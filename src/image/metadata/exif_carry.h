// The EXIF block carried from a source to a converted target with exiv2: the source's TIFF layout
// tags left out, the picture size tags set to the target's, the orientation and thumbnail kept
// in step with the pixels, written as a JPEG's EXIF block or as a TIFF file's own directories.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "image/rotation.h"
#include "image/tiff_write.h"

namespace quillo {

inline constexpr char kExifPart[] = "EXIF block";

// What becomes of the picture the block describes.
struct TExifChange {
  int32_t width = 0;
  int32_t height = 0;
  // The turn the pixels took to stand upright: the Orientation tag becomes 1 and the thumbnail
  // turns the same way, or is dropped when it cannot be turned.
  std::optional<TPictureTurn> turn;
};

// The block's directories for a TIFF target: bytes to lie at offset 8 of the file, and the
// entries of the first directory, which point into them.
struct TTiffExif {
  std::string prologue;
  std::vector<TTiffEntry> entries;
};

// Throws EInvalidGraphic (kMetadataDamagedPattern) when exiv2 cannot read the whole block.
void CheckExifBlock(std::string_view tiff);

// The Orientation tag, 1 to 8; 1 without the tag or with a value outside that range.
int ExifOrientationTag(std::string_view tiff);

// The block for a JPEG target, byte for byte the source's when nothing in it changes.
// Throws the damage error above.
std::string ExifForJpeg(const std::string& tiff, const TExifChange& change);

// The block for a TIFF target, without thumbnail and without the tags the TIFF writer writes
// from its own knowledge (layout, resolution). Throws the damage error above.
TTiffExif ExifForTiff(const std::string& tiff, const TExifChange& change);

}  // namespace quillo
