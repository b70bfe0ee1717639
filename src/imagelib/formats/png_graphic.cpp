#include "imagelib/formats/png_graphic.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>

#include "image/byte_order.h"
#include "image/image_limits.h"
#include "platform/errors.h"

namespace quillo {
namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint32_t kHeaderChunkSize = 13;
constexpr double kMetresPerInch = 0.0254;

// Everything that passes between the C callbacks, the setjmp sites and the reader. Trivially
// destructible, so that a longjmp may leave frames that hold it.
struct PngContext {
  TStream* stream;
  bool stream_failed;
  char message[160];
};

struct PngHeader {
  png_uint_32 width;
  png_uint_32 height;
  int bit_depth;
  int color_type;
  int interlace;
  png_color palette[PNG_MAX_PALETTE_LENGTH];
  int palette_count;
  double gamma;  // 0 when the file says nothing
  png_uint_32 x_pixels_per_metre;
  png_uint_32 y_pixels_per_metre;
};

void OnError(png_structp png, png_const_charp message) noexcept {
  auto* context = static_cast<PngContext*>(png_get_error_ptr(png));
  std::snprintf(context->message, sizeof context->message, "%s", message);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) noexcept {}

void OnRead(png_structp png, png_bytep data, size_t count) noexcept {
  auto* context = static_cast<PngContext*>(png_get_io_ptr(png));
  int64_t got = -1;
  try {
    got = context->stream->Read(data, static_cast<int64_t>(count));
  } catch (...) {
    context->stream_failed = true;
  }
  if (context->stream_failed) png_error(png, "the stream could not be read");
  if (got != static_cast<int64_t>(count)) png_error(png, "the data end early");
}

// The setjmp sites: small, holding nothing that has a destructor.

bool ReadHeaderSite(png_structp png, png_infop info, PngHeader* header) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_info(png, info);
  png_get_IHDR(png, info, &header->width, &header->height, &header->bit_depth, &header->color_type,
               &header->interlace, nullptr, nullptr);
  png_colorp palette = nullptr;
  header->palette_count = 0;
  if (png_get_PLTE(png, info, &palette, &header->palette_count) == 0) header->palette_count = 0;
  if (header->palette_count > 0) {
    std::memcpy(header->palette, palette, sizeof(png_color) * header->palette_count);
  }
  header->gamma = 0;
  if (png_get_gAMA(png, info, &header->gamma) == 0) header->gamma = 0;
  int unit = 0;
  if (png_get_pHYs(png, info, &header->x_pixels_per_metre, &header->y_pixels_per_metre, &unit) ==
          0 ||
      unit != PNG_RESOLUTION_METER) {
    header->x_pixels_per_metre = header->y_pixels_per_metre = 0;
  }
  return true;
}

// Rows come as the file stores them, 16-bit samples most significant byte first; an
// interlaced image comes pass by pass, each pass's rows holding only that pass's pixels.
bool StartRowsSite(png_structp png, png_infop info, size_t* row_bytes) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_update_info(png, info);
  *row_bytes = png_get_rowbytes(png, info);
  return true;
}

bool ReadRowSite(png_structp png, png_bytep row) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_row(png, row, nullptr);
  return true;
}

// One libpng read over a stream; the structures are released exactly once.
class PngReader {
 public:
  explicit PngReader(TStream& stream) : context_{&stream, false, {}} {
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, &context_, OnError, OnWarning);
    if (png_ != nullptr) info_ = png_create_info_struct(png_);
    if (info_ == nullptr) Fail("out of memory");
    png_set_read_fn(png_, &context_, OnRead);
  }
  ~PngReader() { png_destroy_read_struct(&png_, info_ != nullptr ? &info_ : nullptr, nullptr); }
  PngReader(const PngReader&) = delete;
  PngReader& operator=(const PngReader&) = delete;

  const PngHeader& ReadHeader() {
    if (!ReadHeaderSite(png_, info_, &header_)) Fail(context_.message);
    return header_;
  }
  // Bytes of the longest row the file hands out.
  size_t StartRows() {
    size_t row_bytes = 0;
    if (!StartRowsSite(png_, info_, &row_bytes)) Fail(context_.message);
    return row_bytes;
  }
  void ReadRow(uint8_t* row) {
    if (!ReadRowSite(png_, row)) Fail(context_.message);
  }

 private:
  [[noreturn]] void Fail(const char* reason) {
    if (context_.stream_failed) throw EReadError(kReadErrorMessage);
    RaiseGraphicErrorFmt(kInvalidPngPattern, {reason});
  }

  PngContext context_;
  PngHeader header_{};
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
};

// The file's palette, filled up with black to the entries its indices can reach.
std::vector<uint8_t> FilePalette(const PngHeader& h) {
  std::vector<uint8_t> entries(3u << h.bit_depth);
  std::memcpy(entries.data(), h.palette,
              std::min(entries.size(), sizeof(png_color) * h.palette_count));
  return entries;
}

ColorModel ModelFor(int color_type) {
  switch (color_type) {
    case PNG_COLOR_TYPE_PALETTE:
      return cmIndexed;
    case PNG_COLOR_TYPE_GRAY:
      return cmGray;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return cmGrayAlpha;
    case PNG_COLOR_TYPE_RGB:
      return cmRGB;
    default:
      return cmRGBA;
  }
}

void FillProperties(const PngHeader& h, TImageProperties& p) {
  p.Width = static_cast<int32_t>(h.width);
  p.Height = static_cast<int32_t>(h.height);
  p.ColorModel = ModelFor(h.color_type);
  p.BitsPerSample = static_cast<uint8_t>(h.bit_depth);
  p.SamplesPerPixel = static_cast<uint8_t>(h.color_type == PNG_COLOR_TYPE_PALETTE ? 1
                                           : (h.color_type & PNG_COLOR_MASK_COLOR)
                                               ? 3 + ((h.color_type & PNG_COLOR_MASK_ALPHA) != 0)
                                               : 1 + ((h.color_type & PNG_COLOR_MASK_ALPHA) != 0));
  p.BitsPerPixel = static_cast<uint8_t>(p.BitsPerSample * p.SamplesPerPixel);
  p.Compression = ctDeflate;
  p.RowsInterlaced = h.interlace != PNG_INTERLACE_NONE;
  p.HasAlphaChannel = (h.color_type & PNG_COLOR_MASK_ALPHA) != 0;
  // The file keeps the encoding exponent; the image gamma is its inverse.
  if (h.gamma > 0) p.Gamma = static_cast<float>(1 / h.gamma);
  p.XResolution = static_cast<float>(h.x_pixels_per_metre * kMetresPerInch);
  p.YResolution = static_cast<float>(h.y_pixels_per_metre * kMetresPerInch);
}

// Indices keep their depth, grays are narrowed to 8 bits at most, colour becomes 8-bit
// blue-green-red; alpha is dropped.
void SetUpConverter(const TImageProperties& p, TColorManager& converter) {
  const bool indexed = p.ColorModel == cmIndexed;
  const bool gray = p.ColorModel == cmGray || p.ColorModel == cmGrayAlpha;
  converter.SetSourceOptions(p.BitsPerSample == 16 ? opSwapBytes : 0);
  converter.SetSourceBitsPerSample(p.BitsPerSample);
  converter.SetSourceSamplesPerPixel(p.SamplesPerPixel);
  converter.SetSourceColorModel(p.ColorModel);
  converter.SetTargetOptions(0);
  converter.SetTargetBitsPerSample(std::min<uint8_t>(p.BitsPerSample, 8));
  converter.SetTargetSamplesPerPixel(indexed || gray ? 1 : 3);
  converter.SetTargetColorModel(indexed ? cmIndexed : gray ? cmGray : cmBGR);
}

// Adam7: the pixels of each pass among every eight of a row, as a conversion mask.
constexpr uint8_t kPassMasks[PNG_INTERLACE_ADAM7_PASSES] = {0x80, 0x08, 0x88, 0x22,
                                                            0xAA, 0x55, 0xFF};

}  // namespace

bool TPNGGraphic::CanLoadStream(TStream& stream) {
  uint8_t h[16];
  if (PeekBytes(stream, h, sizeof h) < static_cast<int64_t>(sizeof h)) return false;
  return std::memcmp(h, kSignature, sizeof kSignature) == 0 &&
         LoadU32Be(h + 8) == kHeaderChunkSize && std::memcmp(h + 12, "IHDR", 4) == 0;
}

bool TPNGGraphic::ReadProperties(TStream& stream, uint32_t image_index) {
  TReaderGraphic::ReadProperties(stream, image_index);
  if (image_index != 0) return false;
  stream.SetPosition(StartPosition());
  try {
    PngReader reader(stream);
    FillProperties(reader.ReadHeader(), Properties());
  } catch (const EInvalidGraphic&) {
    TReaderGraphic::ReadProperties(stream, image_index);
    return false;
  }
  return true;
}

void TPNGGraphic::LoadFromStream(TStream& stream) {
  SetStartPosition(static_cast<int32_t>(stream.Position()));
  try {
    TReaderGraphic::ReadProperties(stream, 0);
    PngReader reader(stream);
    const PngHeader& header = reader.ReadHeader();
    FillProperties(header, Properties());
    TColorManager& converter = ColorConverter();
    SetUpConverter(Properties(), converter);
    const TPixelFormat format = converter.PixelFormatFor(1);
    const int64_t width = header.width;
    const int64_t height = header.height;
    if (!FitsStoreLimits(width, height, BitsPerPixel(format))) {
      RaiseGraphicErrorFmt(kInvalidPngPattern, {"the image is too large"});
    }
    if (!HoldsDataFor(RowStride(width, BitsPerPixel(format)) * height,
                      stream.Size() - StartPosition())) {
      RaiseGraphicErrorFmt(kInvalidPngPattern, {kTooLittleDataMessage});
    }
    TPaletteRef palette;
    if (header.color_type == PNG_COLOR_TYPE_PALETTE) {
      const std::vector<uint8_t> entries = FilePalette(header);
      const uint8_t* planes[] = {entries.data()};
      palette = converter.MakeColorPalette(planes, rpBytes3, 1 << header.bit_depth, false);
    } else if (!(header.color_type & PNG_COLOR_MASK_COLOR)) {
      palette = converter.MakeGrayPalette(false);
    }
    const size_t row_bytes =
        std::max<uint64_t>(reader.StartRows(), converter.SourceBytesPerRow(header.width));
    SetUpPicture(format, static_cast<int32_t>(width), static_cast<int32_t>(height), palette);
    std::vector<uint8_t> row(CheckedSize(row_bytes, 1));
    const uint8_t* planes[] = {row.data()};
    const auto count = static_cast<uint32_t>(width);
    if (header.interlace == PNG_INTERLACE_NONE) {
      for (int32_t y = 0; y < height; ++y) {
        reader.ReadRow(row.data());
        converter.ConvertRow(planes, RowAddress(y), count, 0xFF);
      }
      return;
    }
    for (int pass = 0; pass < PNG_INTERLACE_ADAM7_PASSES; ++pass) {
      if (PNG_PASS_COLS(header.width, pass) == 0) continue;
      for (uint32_t r = 0; r < PNG_PASS_ROWS(header.height, pass); ++r) {
        reader.ReadRow(row.data());
        const auto y = static_cast<int32_t>(PNG_ROW_FROM_PASS_ROW(r, pass));
        converter.ConvertRow(planes, RowAddress(y), count, kPassMasks[pass]);
      }
    }
  } catch (...) {
    AssignFrom(nullptr);
    throw;
  }
}

}  // namespace quillo
