#include "jobs/convert_options.h"

#include "image/bitmap.h"
#include "image/image_kind.h"
#include "image/jpeg_image.h"
#include "image/metadata/metadata_carry.h"
#include "image/rotation.h"
#include "image/tiff_write.h"
#include "jobs/convert_images.h"
#include "platform/errors.h"
#include "platform/file_stream.h"

namespace quillo {
namespace {

// The turn that sets the picture upright, made; none when it already is.
std::optional<TPictureTurn> SetUpright(TBitmap& bitmap, int orientation) {
  if (orientation <= 1) return std::nullopt;
  if (bitmap.PixelFormat() != px24Bit && bitmap.PixelFormat() != px32Bit) {
    bitmap.SetPixelFormat(px24Bit);
  }
  const auto turn = static_cast<TPictureTurn>(orientation - 1);
  TurnBitmap(bitmap, turn);
  return turn;
}

void SaveJpeg(TBitmap& bitmap, const std::string& target, int quality, TPhotoMetadata* metadata,
              const TExifChange& change) {
  TJPEGImage jpeg;
  jpeg.Options().JpegQuality = quality;
  jpeg.AssignFrom(&bitmap);
  if (metadata == nullptr) {
    jpeg.SaveFile(target);
    return;
  }
  jpeg.CompressBitmap();
  // Nothing encoded: saving raises the library's empty-image error.
  if (!jpeg.Data().HasBytes()) {
    jpeg.SaveFile(target);
    return;
  }
  const TMemoryStream& encoded = *jpeg.Data().bytes;
  const std::string_view bytes(reinterpret_cast<const char*>(encoded.Memory()),
                               encoded.Bytes().size());
  TFileStream file(target, fmCreate);
  CarryIntoJpeg(file, bytes, *metadata, change);
  file.Commit();
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : "; ") + part;
  return text;
}

}  // namespace

std::vector<std::string> ConvertFileWithOptions(const std::string& source,
                                                const std::string& target,
                                                const TConvertOptions& options) {
  TBitmap bitmap;
  LoadImageToBitmap(bitmap, source);
  const TImageKind kind = GetImageKind(target);
  // BMP files have no place for any of it.
  const bool carry = options.keep_metadata && (kind == ikJpeg || kind == ikTiff);
  TPhotoMetadata metadata;
  if (carry || options.upright) metadata = ReadPhotoMetadata(source, GetImageKind(source));
  TExifChange change;
  if (options.upright) change.turn = SetUpright(bitmap, PhotoOrientation(metadata));
  change.width = bitmap.Width();
  change.height = bitmap.Height();

  switch (kind) {
    case ikJpeg:
      SaveJpeg(bitmap, target, options.jpeg_quality, carry ? &metadata : nullptr, change);
      break;
    case ikTiff: {
      TTiffWriteOptions tiff;
      tiff.compression = options.tiff_compression;
      if (carry) CarryIntoTiff(tiff, metadata, change);
      SaveTiffFile(target, bitmap, tiff);
      break;
    }
    default:
      SaveBitmapAsImageKind(bitmap, target);
      break;
  }
  if (metadata.left_out.empty()) return {};
  return {Format(kMetadataLeftOutPattern, {source, Joined(metadata.left_out)})};
}

}  // namespace quillo
