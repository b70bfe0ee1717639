// Gives a picture made from several exposures the EXIF block and colour profile of one of them,
// so that it shows upright and sorts by when it was shot.
#pragma once

#include <string>

namespace quillo {

// Writes into target, with exiv2, the reference's camera, lens, capture time, GPS position,
// orientation and exposure tags and its ICC profile when it has one. The target's own picture
// structure stays: its size replaces the reference's, and no thumbnail or maker note is carried
// (they describe the reference's pixels). Throws Exception with exiv2's reason on failure.
void CarryReferenceExif(const std::string& reference, const std::string& target);

}  // namespace quillo
