// JPEG-coded strips and tiles: each is a JPEG image of its own, decoded by libjpeg, with the
// tables of the JPEGTables field read once for all of them. YCbCr data become rows of blue, green
// and red samples; any other coding (RGB, gray, CMYK, a plane of separate planes) comes as the
// samples stored, for the colour converter.
#pragma once

#include <memory>

#include "image/jpeg_glue.h"
#include "imagelib/decoders/decoder.h"
#include "imagelib/reader_graphic.h"

namespace quillo {

inline constexpr char kTiffJpegErrorPattern[] = "JPEG error #%d";
inline constexpr char kBogusJpegTablesMessage[] = "Bogus JPEG tables field.";
inline constexpr char kJpegStripSizeMessage[] = "Improper JPEG strip/tile size.";
inline constexpr char kJpegComponentCountMessage[] = "Improper JPEG component count.";
inline constexpr char kJpegPrecisionMessage[] = "Improper JPEG data precision.";
inline constexpr char kJpegSamplingMessage[] = "Improper JPEG sampling factors.";
inline constexpr char kFractionalScanlineMessage[] = "Fractional JPEG scanline unsupported.";
inline constexpr char kJpegEndOfInputCaption[] = "Warning";
inline constexpr char kJpegEndOfInputMessage[] =
    "JPEG decompression error. Unexpected end of input.";

// Whether libjpeg turns the image's data into blue, green and red: YCbCr in one plane.
bool JpegDecodesToBgr(const TImageProperties& properties);

class TTIFFJPEGDecoder : public TDecoder {
 public:
  // The properties give the image's size or its tiles', samples, sampling, colour model, tables
  // and the rows done so far; they must outlive the decoder.
  explicit TTIFFJPEGDecoder(const TImageProperties& properties) : properties_(properties) {}

  // Strips and tiles must be as large, and have as many components, the same precision and
  // sampling as the image says, else EGraphicCompression; libjpeg's own errors raise
  // EInvalidGraphic "JPEG error #%d". A strip that ends early shows a warning and ends as if
  // complete.
  void DecodeBlock(uint8_t* input, uint8_t* output, size_t input_size, size_t output_size) override;
  void BeginDecoding() override;
  void EndDecoding() override { decompressor_.reset(); }

 private:
  void CheckStrip();

  const TImageProperties& properties_;
  std::unique_ptr<TJpegDecompressor> decompressor_;
  int horizontal_sampling_ = 1;
  int vertical_sampling_ = 1;
};

}  // namespace quillo
