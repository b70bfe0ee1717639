// Converting one file with the choices the conversion tab does not offer: the photo's metadata
// carried into the target (or stripped), the pixels set upright by the EXIF orientation, the
// JPEG quality and the TIFF compression. Safe to run on several files at once.
#pragma once

#include <string>
#include <vector>

#include "image/tiff_compress.h"

namespace quillo {

inline constexpr char kMetadataLeftOutPattern[] = "%s: metadata left out: %s";

struct TConvertOptions {
  // EXIF, XMP, IPTC, the colour profile, comments and the resolution go into JPEG and TIFF
  // targets; without them the target is what the conversion tab writes.
  bool keep_metadata = true;
  // Pixels turned by the EXIF Orientation tag, which becomes 1; the thumbnail turns with them.
  bool upright = false;
  int jpeg_quality = 100;
  TTiffCompression tiff_compression = tcNone;
};

// Converts source into target, whose extension names the kind to write, through the atomic
// writer. Raises what the conversion tab's load and save raise. Metadata that cannot be read or
// written does not stop it: the returned warnings then hold one line naming the source
// (kMetadataLeftOutPattern).
std::vector<std::string> ConvertFileWithOptions(const std::string& source,
                                                const std::string& target,
                                                const TConvertOptions& options);

}  // namespace quillo
