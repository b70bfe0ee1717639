#include "image/metadata/metadata_carry.h"

#include "image/metadata/jpeg_metadata.h"
#include "image/metadata/tiff_metadata.h"
#include "platform/errors.h"
#include "platform/file_stream.h"

namespace quillo {

TPhotoMetadata ReadPhotoMetadata(const std::string& path, TImageKind kind) {
  switch (kind) {
    case ikJpeg:
      return ReadJpegMetadata(ReadWholeFile(path));
    case ikTiff:
      return ReadTiffMetadata(path);
    default:
      return {};
  }
}

int PhotoOrientation(const TPhotoMetadata& metadata) {
  if (metadata.exif.empty()) return 1;
  try {
    return ExifOrientationTag(metadata.exif);
  } catch (const EInvalidGraphic&) {
    return 1;
  }
}

void CarryIntoJpeg(TStream& out, std::string_view encoded, TPhotoMetadata& metadata,
                   const TExifChange& change) {
  if (!metadata.exif.empty()) {
    try {
      metadata.exif = ExifForJpeg(metadata.exif, change);
    } catch (const EInvalidGraphic& e) {
      metadata.left_out.push_back(e.what());
      metadata.exif.clear();
    }
  }
  WriteJpegWithMetadata(out, encoded, metadata);
}

void CarryIntoTiff(TTiffWriteOptions& options, TPhotoMetadata& metadata,
                   const TExifChange& change) {
  AddTiffMetadata(options, metadata, change);
}

}  // namespace quillo
