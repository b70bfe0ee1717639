// The metadata segments of JPEG files: read from a source, and written into a freshly encoded
// target behind its own JFIF segment.
#pragma once

#include <string>
#include <string_view>

#include "image/metadata/photo_metadata.h"
#include "platform/stream.h"

namespace quillo {

// The EXIF block, XMP, colour profile (all its chunks), IPTC (in Photoshop's resources), comments
// and the JFIF density of a JPEG file. A part that cannot be read is left out and named in
// left_out; so is everything when the markers themselves are damaged.
TPhotoMetadata ReadJpegMetadata(std::string_view jpeg);

// Writes the encoded file with the metadata's segments (a JPEG source's own, else made from the
// parts) behind its JFIF segment, whose density becomes the metadata's resolution; the picture's
// bytes go out as they are, uncopied. A part too large for a JPEG file is left out and named in
// metadata.left_out.
void WriteJpegWithMetadata(TStream& out, std::string_view encoded, TPhotoMetadata& metadata);

}  // namespace quillo
