// What a photo carries besides its pixels, taken from its source file so that a converted copy
// can carry it too: the EXIF block, XMP, the colour profile, IPTC, comments and the resolution.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "image/tiff_write.h"

namespace quillo {

struct TPhotoMetadata {
  // The EXIF block as a TIFF structure (without a JPEG's "Exif\0\0"); empty without one.
  std::string exif;
  std::string xmp;   // the XMP packet
  std::string icc;   // the colour profile, whole
  std::string iptc;  // the IPTC records
  std::vector<std::string> comments;
  // Pixels per inch or per centimetre; none when the source gives no absolute one.
  std::optional<TTiffResolution> resolution;

  // A JPEG source's own segments of these kinds (EXIF, XMP, colour profile, Photoshop resources,
  // comments), whole and in their order, for JPEG targets; the one at exif_segment is the EXIF
  // block's place, which takes `exif` as it then stands.
  std::vector<std::string> jpeg_segments;
  std::optional<size_t> exif_segment;

  // What could not be read and was left out ("damaged EXIF block (...)"), one item per part.
  std::vector<std::string> left_out;
};

}  // namespace quillo
