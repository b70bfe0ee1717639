// The metadata of TIFF files: read from a source's first directory and the directories it points
// to with exiv2, and handed to the TIFF writer as tags for a target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "image/metadata/exif_carry.h"
#include "image/metadata/photo_metadata.h"
#include "image/tiff_write.h"

namespace quillo {

// The EXIF tags (the first directory's, but for its layout, and the Exif and GPS directories),
// XMP (tag 700), IPTC (tag 33723), the colour profile (tag 34675) and the resolution of a TIFF
// file. What exiv2 cannot read is left out and named in left_out; content other than a TIFF
// structure gives nothing. Raises the file layer's open error.
TPhotoMetadata ReadTiffMetadata(const std::string& path);
// The same for the bytes of a file, which it may change.
TPhotoMetadata ReadTiffMetadataAt(uint8_t* data, size_t size);

// Adds the metadata to a TIFF target's options: the EXIF block as its own directories, XMP,
// IPTC and the colour profile as tags, and the resolution. A part that cannot be written is left
// out and named in metadata.left_out.
void AddTiffMetadata(TTiffWriteOptions& options, TPhotoMetadata& metadata,
                     const TExifChange& change);

}  // namespace quillo
