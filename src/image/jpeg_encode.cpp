// Encoding the adapter's bitmap into new compressed bytes.
#include <algorithm>
#include <array>
#include <vector>

#include "image/image_limits.h"
#include "image/jpeg_glue.h"
#include "image/jpeg_image.h"
#include "image/pixel_codec.h"

namespace quillo {
namespace {

// Rows handed to the library per call; progress is looked at once per call.
constexpr JDIMENSION kRowsPerCall = 16;

// How the bitmap's rows reach the library: 24- and 32-bit rows as they are, in the library's
// blue-green-red (and unused fourth byte) layouts; any other layout converted one row at a time.
struct InputLayout {
  J_COLOR_SPACE color_space;
  int components;
  bool convert;
};

InputLayout LayoutOf(const TBitmapImage& image) {
  switch (image.PixelFormat()) {
    case px24Bit:
      return {JCS_EXT_BGR, 3, false};
    case px32Bit:
    case pxDevice:
      return {JCS_EXT_BGRX, 4, false};
    default:
      return {JCS_EXT_BGR, 3, true};
  }
}

void WriteStoredRows(TJpegCompressor& encoder, const TBitmapImage& image) {
  jpeg_compress_struct& info = encoder.Info();
  encoder.Run([&] {
    std::array<JSAMPROW, kRowsPerCall> pointers;
    while (info.next_scanline < info.image_height) {
      const JDIMENSION first = info.next_scanline;
      const JDIMENSION count = std::min(kRowsPerCall, info.image_height - first);
      for (JDIMENSION i = 0; i < count; ++i) {
        // The library only reads the rows it is given.
        pointers[i] = const_cast<JSAMPROW>(image.Row(static_cast<int32_t>(first + i)));
      }
      jpeg_write_scanlines(&info, pointers.data(), count);
    }
  });
}

void WriteConvertedRows(TJpegCompressor& encoder, const TBitmapImage& image) {
  jpeg_compress_struct& info = encoder.Info();
  const TPixelCodec codec(image);
  const auto width = static_cast<int32_t>(info.image_width);
  std::vector<uint32_t> colors(info.image_width);
  std::vector<JSAMPLE> row(size_t{info.image_width} * 3);
  encoder.Run([&] {
    JSAMPROW pointer = row.data();
    while (info.next_scanline < info.image_height) {
      codec.Unpack(image.Row(static_cast<int32_t>(info.next_scanline)), width, colors.data());
      for (int32_t x = 0; x < width; ++x) {
        const uint32_t color = colors[x];
        row[3 * x] = static_cast<JSAMPLE>(color);
        row[3 * x + 1] = static_cast<JSAMPLE>(color >> 8);
        row[3 * x + 2] = static_cast<JSAMPLE>(color >> 16);
      }
      jpeg_write_scanlines(&info, &pointer, 1);
    }
  });
}

}  // namespace

void TJPEGImage::CompressBitmap() {
  NewData(std::make_shared<TJPEGData>());
  if (!bitmap_ || bitmap_->Width() == 0 || bitmap_->Height() == 0) return;
  auto data = std::make_shared<TJPEGData>();
  data->bytes = std::make_unique<TMemoryStream>();
  // Room for as many bytes as the picture has, which a JPEG hardly ever exceeds: the bytes are
  // then written once, not copied each time the store would have grown.
  data->bytes->Reserve(CheckedSize(RowStride(bitmap_->Width(), 24), bitmap_->Height()));
  try {
    TJpegCompressor encoder;
    encoder.SetProgressHook(
        [this](int percent) { Progress(psRunning, static_cast<uint8_t>(percent), false, {}, ""); });
    encoder.SetStreamDestination(*data->bytes);
    const TBitmapImage& image = bitmap_->Image();
    const InputLayout layout = LayoutOf(image);
    jpeg_compress_struct& info = encoder.Info();
    encoder.Run([&] {
      info.image_width = static_cast<JDIMENSION>(image.Width());
      info.image_height = static_cast<JDIMENSION>(image.Height());
      info.input_components = layout.components;
      info.in_color_space = layout.color_space;
      jpeg_set_defaults(&info);
      jpeg_set_quality(&info, std::clamp(options_.JpegQuality, 1, 100), TRUE);
      if (options_.JpegGrayscale) jpeg_set_colorspace(&info, JCS_GRAYSCALE);
      if (options_.JpegProgressiveEncoding) jpeg_simple_progression(&info);
    });
    Progress(psStarting, 0, false, {}, "");
    encoder.Run([&] { jpeg_start_compress(&info, TRUE); });
    if (layout.convert) {
      WriteConvertedRows(encoder, image);
    } else {
      WriteStoredRows(encoder, image);
    }
    encoder.Run([&] { jpeg_finish_compress(&info); });
  } catch (...) {
    Progress(psEnding, 0, false, {}, "");
    throw;
  }
  data->width = bitmap_->Width();
  data->height = bitmap_->Height();
  data->grayscale = options_.JpegGrayscale;
  NewData(std::move(data));
  Progress(psEnding, 100, false, {}, "");
}

}  // namespace quillo
