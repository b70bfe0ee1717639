// Which tags of a source's EXIF block a converted target does not carry over: the ones that
// describe how the source's own pixels were laid out, and whole directories of other pictures.
#pragma once

#include <cstdint>
#include <string>

namespace quillo {

// A tag of the first directory about the TIFF layout (size, samples, compression, strips, tiles,
// colour map, ...) or one that other parts of the target hold on their own (XMP, IPTC, the colour
// profile, Photoshop's resources and layers).
bool IsLayoutTag(uint16_t tag);

// The resolution tags, which the TIFF writer writes itself from the source's resolution, and the
// position of chroma samples, which means nothing to the red, green, blue samples it writes.
bool IsLeftOutOfTiff(uint16_t tag);

// An exiv2 group holding the directory of a picture other than the main one or its thumbnail
// (sub-images, further pages).
bool IsOtherPictureGroup(const std::string& group);

}  // namespace quillo
