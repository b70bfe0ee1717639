// Carrying a photo's metadata from its source file into a converted target: read by the source's
// kind, made to agree with the target's pixels, and written the target's way.
#pragma once

#include <string>
#include <string_view>

#include "image/image_kind.h"
#include "image/metadata/exif_carry.h"
#include "image/metadata/photo_metadata.h"
#include "image/tiff_write.h"
#include "platform/stream.h"

namespace quillo {

// The metadata of a JPEG or TIFF file, none for other kinds. Raises only the file layer's errors;
// what cannot be read is named in left_out.
TPhotoMetadata ReadPhotoMetadata(const std::string& path, TImageKind kind);

// The EXIF Orientation tag, 1 to 8; 1 without an EXIF block or tag.
int PhotoOrientation(const TPhotoMetadata& metadata);

// Writes the freshly encoded JPEG file with the metadata in it.
void CarryIntoJpeg(TStream& out, std::string_view encoded, TPhotoMetadata& metadata,
                   const TExifChange& change);

// The TIFF writer's options with the metadata added.
void CarryIntoTiff(TTiffWriteOptions& options, TPhotoMetadata& metadata, const TExifChange& change);

}  // namespace quillo
