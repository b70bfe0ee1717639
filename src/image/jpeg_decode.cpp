// Decoding the compressed bytes into the adapter's bitmap.
#include "image/jpeg_decode.h"

#include <jerror.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

#include "image/image_limits.h"
#include "image/jpeg_scans.h"
#include "platform/errors.h"
#include "platform/message_box.h"

namespace quillo {
namespace {

constexpr int kQuantizedColors = 236;
// Rows handed to the library per call; it decodes a few rows at a time anyway.
constexpr JDIMENSION kRowsPerCall = 16;

// A bitmap that a decoder sets up in one step: format, size and palette with one allocation.
class TDecodedBitmap : public TBitmap {
 public:
  using TBitmap::SetUpPicture;
};

// Rows of a bitmap by arithmetic, so that no row access runs per row.
class RowWalk {
 public:
  explicit RowWalk(TBitmap& bitmap) : first_(bitmap.RowAddress(0)) {
    if (bitmap.Height() > 1) step_ = bitmap.RowAddress(1) - first_;
  }
  uint8_t* operator()(JDIMENSION y) const { return first_ + static_cast<ptrdiff_t>(y) * step_; }

 private:
  uint8_t* first_;
  ptrdiff_t step_ = 0;
};

const TPaletteRef& GreyRamp() {
  static const TPaletteRef ramp = [] {
    std::vector<TPaletteEntry> entries(256);
    for (int i = 0; i < 256; ++i) {
      const auto v = static_cast<uint8_t>(i);
      entries[i] = {v, v, v};
    }
    return MakePalette(std::move(entries));
  }();
  return ramp;
}

// The library's colour map holds its components in pixel order: blue, green, red.
TPaletteRef PaletteFromColormap(const jpeg_decompress_struct& info) {
  std::vector<TPaletteEntry> entries(static_cast<size_t>(info.actual_number_of_colors));
  for (size_t i = 0; i < entries.size(); ++i) {
    entries[i] = {info.colormap[2][i], info.colormap[1][i], info.colormap[0][i]};
  }
  return MakePalette(std::move(entries));
}

// Hands a palette to the library as the colour map to quantize to.
void GiveColormap(TJpegDecompressor& decoder, const TPalette& palette) {
  jpeg_decompress_struct& info = decoder.Info();
  const auto count = static_cast<JDIMENSION>(std::min<size_t>(palette.entries.size(), 256));
  decoder.Run([&] {
    info.colormap =
        (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE, count, 3);
    for (JDIMENSION i = 0; i < count; ++i) {
      info.colormap[0][i] = palette.entries[i].blue;
      info.colormap[1][i] = palette.entries[i].green;
      info.colormap[2][i] = palette.entries[i].red;
    }
    info.actual_number_of_colors = static_cast<int>(count);
  });
}

// Four-component pixels become blue, green, red. Adobe's files store the inks inverted.
void CmykToBgr(const JSAMPLE* in, uint8_t* out, JDIMENSION width, bool inverted) {
  const int flip = inverted ? 0 : 255;
  for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
    const int k = in[3] ^ flip;
    out[0] = static_cast<uint8_t>((in[2] ^ flip) * k / 255);
    out[1] = static_cast<uint8_t>((in[1] ^ flip) * k / 255);
    out[2] = static_cast<uint8_t>((in[0] ^ flip) * k / 255);
  }
}

// Reads the rows of the current output pass into the bitmap from the top down.
void ReadRows(TJpegDecompressor& decoder, TBitmap& bitmap) {
  jpeg_decompress_struct& info = decoder.Info();
  const RowWalk rows(bitmap);
  const bool cmyk = info.out_color_space == JCS_CMYK;
  const bool inverted = info.saw_Adobe_marker;
  const size_t cmyk_stride = size_t{info.output_width} * 4;
  std::vector<JSAMPLE> cmyk_rows(cmyk ? cmyk_stride * kRowsPerCall : 0);
  decoder.Run([&] {
    std::array<JSAMPROW, kRowsPerCall> pointers;
    while (info.output_scanline < info.output_height) {
      const JDIMENSION first = info.output_scanline;
      const JDIMENSION count = std::min(kRowsPerCall, info.output_height - first);
      for (JDIMENSION i = 0; i < count; ++i) {
        pointers[i] = cmyk ? cmyk_rows.data() + i * cmyk_stride : rows(first + i);
      }
      const JDIMENSION read = jpeg_read_scanlines(&info, pointers.data(), count);
      for (JDIMENSION i = 0; cmyk && i < read; ++i) {
        CmykToBgr(pointers[i], rows(first + i), info.output_width, inverted);
      }
    }
  });
}

// Sets the bitmap up for the library's output: grey levels and quantized colours at 8 bits with
// the ramp or the colour map as palette, everything else at 24 bits.
void SetUpBitmap(TDecodedBitmap& bitmap, const jpeg_decompress_struct& info,
                 const TPaletteRef& given_palette) {
  TPaletteRef palette;
  if (info.out_color_space == JCS_GRAYSCALE) {
    palette = GreyRamp();
  } else if (info.quantize_colors) {
    palette = given_palette ? given_palette : PaletteFromColormap(info);
  }
  // Every row is decoded (a cut-off file's rest is filled by the library), so no white.
  bitmap.SetUpPicture(palette ? px8Bit : px24Bit, static_cast<int32_t>(info.output_width),
                      static_cast<int32_t>(info.output_height), palette, false);
}

// Multi-scan files in buffered-image mode: one quick output pass per scan as it arrives, then
// the last pass with the final modes. The colour map exists once an output pass has started.
void ShowScans(TJpegDecompressor& decoder, TDecodedBitmap& bitmap, const TFinalOutputModes& modes,
               const TPaletteRef& given_palette) {
  jpeg_decompress_struct& info = decoder.Info();
  bool set_up = false;
  while (!jpeg_input_complete(&info)) {
    decoder.Run([&] { jpeg_start_output(&info, info.input_scan_number); });
    if (!set_up) SetUpBitmap(bitmap, info, given_palette);
    set_up = true;
    ReadRows(decoder, bitmap);
    decoder.Run([&] { jpeg_finish_output(&info); });
  }
  info.dct_method = modes.dct_method;
  info.dither_mode = modes.dither_mode;
  const bool new_colormap = info.quantize_colors && modes.two_pass_quantize && !given_palette;
  if (new_colormap) {
    info.two_pass_quantize = TRUE;
    info.colormap = nullptr;
  }
  decoder.Run([&] { jpeg_start_output(&info, info.input_scan_number); });
  if (!set_up || new_colormap) SetUpBitmap(bitmap, info, given_palette);
}

}  // namespace

TFinalOutputModes SetUpDecoder(TJpegDecompressor& decoder, TMemoryStream& bytes,
                               const TJpegOptions& options) {
  jpeg_decompress_struct& info = decoder.Info();
  bytes.SetPosition(0);
  decoder.SetStreamSource(bytes);
  TFinalOutputModes modes;
  decoder.Run([&] {
    jpeg_read_header(&info, TRUE);
    info.scale_num = 1;
    info.scale_denom = 1u << std::clamp(options.JpegScale, 0, 3);
    info.do_block_smoothing = options.JpegSmoothing ? TRUE : FALSE;
    // Greyscale output stays exact grey levels and four components are converted row by row;
    // everything else comes out in the bitmap's own blue-green-red order.
    if (options.JpegGrayscale) {
      info.out_color_space = JCS_GRAYSCALE;
    } else if (info.out_color_space != JCS_GRAYSCALE && info.out_color_space != JCS_CMYK) {
      info.out_color_space = JCS_EXT_BGR;
    }
    if (options.JpegPixelFormat == jpf8Bit && info.out_color_space == JCS_EXT_BGR) {
      info.quantize_colors = TRUE;
      info.desired_number_of_colors = kQuantizedColors;
    }
    if (options.JpegPerformance == jpsBestSpeed) {
      info.dct_method = JDCT_IFAST;
      info.two_pass_quantize = FALSE;
      info.dither_mode = JDITHER_ORDERED;
    }
    modes = {info.dct_method, info.two_pass_quantize, info.dither_mode};
    if (options.JpegProgressiveDisplay && jpeg_has_multiple_scans(&info)) {
      info.buffered_image = TRUE;
      info.enable_2pass_quant = info.two_pass_quantize;
      info.dct_method = JDCT_IFAST;
      info.two_pass_quantize = FALSE;
      info.dither_mode = JDITHER_ORDERED;
    }
    jpeg_calc_output_dimensions(&info);
  });
  return modes;
}

TBitmap& TJPEGImage::DecodeToBitmap() {
  if (bitmap_) return *bitmap_;
  auto bitmap = std::make_unique<TDecodedBitmap>();
  TJpegDataWarning damage = jdwNone;
  try {
    TJpegDecompressor decoder;
    decoder.SetProgressHook(
        [this](int percent) { Progress(psRunning, static_cast<uint8_t>(percent), false, {}, ""); });
    TMemoryStream nothing;
    TMemoryStream& bytes = data_->bytes ? *data_->bytes : nothing;
    CheckJpegScans(bytes.Memory(), static_cast<size_t>(bytes.Size()));
    const TFinalOutputModes modes = SetUpDecoder(decoder, bytes, options_);
    jpeg_decompress_struct& info = decoder.Info();
    const bool indexed = info.quantize_colors || info.out_color_space == JCS_GRAYSCALE;
    // The picture's claimed size is checked before anything is allocated for it.
    if (!FitsStoreLimits(info.output_width, info.output_height, indexed ? 8 : 24)) {
      RaiseJpegError(JERR_IMAGE_TOO_BIG);
    }
    CheckDataFor(info.output_width, info.output_height, indexed ? 8 : 24, bytes.Size());
    Progress(psStarting, 0, false, {}, "");

    const TPaletteRef given_palette = info.quantize_colors ? palette_ : nullptr;
    if (given_palette) GiveColormap(decoder, *given_palette);
    if (options_.JpegPixelFormat == jpf24Bit) palette_ = nullptr;
    decoder.Run([&] { jpeg_start_decompress(&info); });
    if (info.buffered_image) {
      ShowScans(decoder, *bitmap, modes, given_palette);
    } else {
      SetUpBitmap(*bitmap, info, given_palette);
    }
    ReadRows(decoder, *bitmap);
    decoder.Run([&] {
      if (info.buffered_image) jpeg_finish_output(&info);
      jpeg_finish_decompress(&info);
    });
    damage = decoder.DataWarning();
  } catch (const EAbort&) {
    // The user stopped it: the picture stays as far as it got.
    bitmap_ = std::move(bitmap);
    Progress(psEnding, 0, false, {}, "");
    return *bitmap_;
  } catch (...) {
    Progress(psEnding, 0, false, {}, "");
    throw;
  }
  bitmap_ = std::move(bitmap);
  Progress(psEnding, 100, false, {}, "");
  if (damage != jdwNone) {
    ShowMessageBox(miQuietWarning, "",
                   damage == jdwEndsEarly ? kJpegEndsEarlyWarning : kJpegCorruptWarning);
  }
  if (bitmap_->Palette()) {
    SetPaletteModified(true);
    Changed();
  }
  return *bitmap_;
}

}  // namespace quillo
