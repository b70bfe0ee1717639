#include "image/lossless/jpeg_turn.h"

#include "image/bitmap.h"
#include "image/jpeg_image.h"
#include "image/jpeg_segments.h"
#include "image/lossless/exif_upright.h"
#include "image/lossless/jpeg_transform.h"
#include "platform/errors.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"

namespace quillo {

TTurnedJpeg TurnJpeg(std::string_view jpeg, TPictureTurn turn) {
  if (!WholeBlocks(ReadJpegBlocks(jpeg), turn)) return {ReEncodeTurned(jpeg, turn), true};
  return {TransformJpeg(jpeg, turn, Progressive(HeaderSegments(jpeg))), false};
}

// The steps of the rotate job, with any of the eight turns.
std::string ReEncodeTurned(std::string_view jpeg, TPictureTurn turn) {
  TMemoryStream source(std::vector<uint8_t>(jpeg.begin(), jpeg.end()));
  TJPEGImage image;
  image.LoadFromStream(source);
  const bool grey = image.Grayscale();
  TBitmap bitmap;
  bitmap.SetPixelFormat(px24Bit);
  bitmap.AssignFrom(&image);
  // Grey pictures decode into 8-bit pixels, which are turned as colour and encoded as grey.
  if (bitmap.PixelFormat() != px24Bit) bitmap.SetPixelFormat(px24Bit);
  TurnBitmap(bitmap, turn);
  image.AssignFrom(&bitmap);
  image.Options().JpegGrayscale = grey;
  TMemoryStream encoded;
  image.SaveToStream(encoded);
  const auto* bytes = reinterpret_cast<const char*>(encoded.Memory());
  return WithSegmentsOf(std::string_view(bytes, encoded.Bytes().size()), jpeg);
}

TFileTurnResult TurnJpegFile(const std::string& source, const std::string& target,
                             std::optional<TPictureTurn> turn) {
  const std::string bytes = ReadWholeFile(source);
  std::string written;
  TFileTurnResult result;
  try {
    const auto how = turn.value_or(static_cast<TPictureTurn>(ExifOrientation(bytes) - 1));
    if (how == ptNone) {
      if (IdentifyFile(source) != IdentifyFile(target)) WriteWholeFile(target, bytes);
      return result;
    }
    const TTurnedJpeg turned = TurnJpeg(bytes, how);
    written = UprightExif(
        turned.bytes, [how](std::string_view thumbnail) { return TurnJpeg(thumbnail, how).bytes; },
        &result.dropped_thumbnail);
    result.turn = turned.re_encoded ? ftReEncoded : ftLossless;
  } catch (const EStreamError&) {
    throw;
  } catch (const Exception& e) {
    throw EInvalidGraphic(source + ": " + e.what());
  }
  WriteWholeFile(target, written);
  return result;
}

}  // namespace quillo
