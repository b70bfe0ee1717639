// Feeds arbitrary bytes, as a JPEG file's header or as a TIFF file, to the reading of a photo's
// metadata, and carries what was read into a JPEG and a TIFF target, upright or not. Damage must
// end as parts left out: nothing escapes, and both targets come out whole.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "image/jpeg_image.h"
#include "image/jpeg_segments.h"
#include "image/metadata/jpeg_metadata.h"
#include "image/metadata/metadata_carry.h"
#include "image/metadata/tiff_metadata.h"
#include "image/tiff_write.h"
#include "platform/stream.h"

namespace {

using namespace quillo;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

TBitmap& Picture() {
  static TBitmap picture;
  if (picture.Empty()) {
    picture.SetPixelFormat(px24Bit);
    picture.SetWidth(8);
    picture.SetHeight(4);
  }
  return picture;
}

const std::string& EncodedPicture() {
  static const std::string encoded = [] {
    TJPEGImage jpeg;
    jpeg.AssignFrom(&Picture());
    TMemoryStream stream;
    jpeg.SaveToStream(stream);
    return std::string(reinterpret_cast<const char*>(stream.Memory()), stream.Bytes().size());
  }();
  return encoded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte chooses the turn; the rest is the file.
  const std::optional<TPictureTurn> turn =
      data[0] < 8 ? std::optional(static_cast<TPictureTurn>(data[0])) : std::nullopt;
  std::string file(reinterpret_cast<const char*>(data + 1), size - 1);
  const bool jpeg = file.starts_with("\xff\xd8");
  TPhotoMetadata read =
      jpeg ? ReadJpegMetadata(file)
           : ReadTiffMetadataAt(reinterpret_cast<uint8_t*>(file.data()), file.size());
  PhotoOrientation(read);
  const TExifChange change{8, 4, turn};

  TPhotoMetadata for_jpeg = read;
  TMemoryStream jpeg_target;
  CarryIntoJpeg(jpeg_target, EncodedPicture(), for_jpeg, change);
  const std::string written(reinterpret_cast<const char*>(jpeg_target.Memory()),
                            jpeg_target.Bytes().size());
  Check(written.ends_with(EncodedPicture().substr(EncodedPicture().size() - 2)));
  HeaderSegments(written);
  ReadJpegMetadata(written);

  TPhotoMetadata for_tiff = read;
  TTiffWriteOptions options;
  CarryIntoTiff(options, for_tiff, change);
  TMemoryStream tiff_target;
  WriteTiff(tiff_target, Picture(), options);
  std::vector<uint8_t> tiff = tiff_target.Bytes();
  ReadTiffMetadataAt(tiff.data(), tiff.size());
  return 0;
}
