#include "imagelib/decoders/tiff_jpeg_decoder.h"

#include <algorithm>

#include "platform/errors.h"
#include "platform/message_box.h"

namespace quillo {
namespace {

// A warning, not an error: the strip ends with what it had.
void WarnEndOfInput() { ShowMessageBox(miWarning, kJpegEndOfInputCaption, kJpegEndOfInputMessage); }

[[noreturn]] void Fail(const char* message) { throw EGraphicCompression(message); }

}  // namespace

bool JpegDecodesToBgr(const TImageProperties& properties) {
  return properties.Compression == ctJPEG && properties.ColorModel == cmYCbCr &&
         !(properties.PlanarConfiguration == 2 && properties.SamplesPerPixel > 1);
}

void TTIFFJPEGDecoder::BeginDecoding() {
  decompressor_ = std::make_unique<TJpegDecompressor>();
  decompressor_->SetErrorPattern(kTiffJpegErrorPattern);
  const TByteArray& sampling = properties_.YCbCrSubSampling;
  horizontal_sampling_ = sampling.size() >= 2 ? sampling[0] : 1;
  vertical_sampling_ = sampling.size() >= 2 ? sampling[1] : 1;
  const TByteArray& tables = properties_.JPEGTables;
  if (tables.empty()) return;
  jpeg_decompress_struct& info = decompressor_->Info();
  decompressor_->SetMemorySource(tables.begin(), tables.size(), WarnEndOfInput);
  int result = 0;
  decompressor_->Run([&info, &result] { result = jpeg_read_header(&info, FALSE); });
  if (result != JPEG_HEADER_TABLES_ONLY) Fail(kBogusJpegTablesMessage);
}

void TTIFFJPEGDecoder::CheckStrip() {
  const jpeg_decompress_struct& info = decompressor_->Info();
  const TImageProperties& p = properties_;
  // Tiles are coded whole, also where they reach past the picture.
  const bool tiled = (p.Flags & Tiled) != 0;
  const uint32_t rows_left = static_cast<uint32_t>(p.Height) - p.RowsDone;
  const uint32_t rows = tiled                    ? p.TileLength
                        : p.RowsPerStrip.empty() ? rows_left
                                                 : std::min(rows_left, p.RowsPerStrip[0]);
  const uint32_t width = tiled ? p.TileWidth : static_cast<uint32_t>(p.Width);
  if (info.image_width != width || info.image_height != rows) Fail(kJpegStripSizeMessage);
  // Separate planes are coded one component to a strip.
  const bool planar = p.PlanarConfiguration == 2;
  if (info.num_components != (planar ? 1 : p.SamplesPerPixel)) Fail(kJpegComponentCountMessage);
  if (info.data_precision != p.BitsPerSample) Fail(kJpegPrecisionMessage);
  for (int c = 0; c < info.num_components; ++c) {
    const bool first = c == 0 && !planar;
    const int h = first ? horizontal_sampling_ : 1;
    const int v = first ? vertical_sampling_ : 1;
    if (info.comp_info[c].h_samp_factor != h || info.comp_info[c].v_samp_factor != v) {
      Fail(kJpegSamplingMessage);
    }
  }
}

void TTIFFJPEGDecoder::DecodeBlock(uint8_t* input, uint8_t* output, size_t input_size,
                                   size_t output_size) {
  jpeg_decompress_struct& info = decompressor_->Info();
  // A new image each strip; the tables read at the start stay.
  jpeg_abort_decompress(&info);
  decompressor_->SetMemorySource(input, input_size, WarnEndOfInput);
  decompressor_->Run([&info] { jpeg_read_header(&info, TRUE); });
  CheckStrip();
  // Without a colour conversion libjpeg hands over the components as they are coded.
  const bool bgr = JpegDecodesToBgr(properties_);
  info.jpeg_color_space = bgr ? JCS_YCbCr : JCS_UNKNOWN;
  info.out_color_space = bgr ? JCS_EXT_BGR : JCS_UNKNOWN;
  info.raw_data_out = FALSE;
  decompressor_->Run([&info] { jpeg_start_decompress(&info); });

  const size_t row_bytes = properties_.BytesPerRow;
  if (row_bytes == 0 || output_size % row_bytes != 0) Fail(kFractionalScanlineMessage);
  const size_t lines = output_size / row_bytes;
  decompressor_->Run([&info, output, row_bytes, lines] {
    for (size_t k = 0; k < lines; ++k) {
      JSAMPROW row = output + k * row_bytes;
      if (jpeg_read_scanlines(&info, &row, 1) != 1) break;
    }
    // A tile's rows below the picture are never read; the next block starts afresh anyway.
    if (info.output_scanline == info.output_height) jpeg_finish_decompress(&info);
  });
}

}  // namespace quillo
