#include "imagelib/decoders/decoder_table.h"

#include "imagelib/decoders/ccitt_decoder.h"
#include "imagelib/decoders/lz77_decoder.h"
#include "imagelib/decoders/packbits_decoder.h"
#include "imagelib/decoders/thunder_decoder.h"
#include "imagelib/decoders/tiff_jpeg_decoder.h"
#include "imagelib/reader_strings.h"

namespace quillo {
namespace {

constexpr uint32_t kT4TwoDimensional = 1;
constexpr uint32_t kT4Uncompressed = 2;

[[noreturn]] void NotSupported(const char* what) {
  RaiseGraphicErrorFmt(kNotSupportedPattern, {what, kTiffFormatName});
}

}  // namespace

std::unique_ptr<TDecoder> CreateDecoder(const TImageProperties& properties, uint32_t t4_options) {
  const bool reversed = (properties.Flags & ReversedFillOrder) != 0;
  const auto width = static_cast<uint32_t>(properties.Width);
  switch (properties.Compression) {
    case ctNone:
      return nullptr;
    case ctPackBits:
      return std::make_unique<TPackbitsRLEDecoder>();
    case ctCCITTHuffman:
      return std::make_unique<TCCITTMHDecoder>(reversed, width, false);
    case ctCCITTHuffmanWordAligned:
      return std::make_unique<TCCITTMHDecoder>(reversed, width, true);
    case ctCCITTGroup3:
      if (t4_options & kT4Uncompressed) NotSupported(kUncompressedFaxModeIs);
      return std::make_unique<TCCITTFax3Decoder>(reversed, width,
                                                 (t4_options & kT4TwoDimensional) != 0);
    case ctCCITTGroup4:
      return std::make_unique<TCCITTFax4Decoder>(reversed, width);
    case ctDeflate:
      return std::make_unique<TLZ77Decoder>();
    case ctJPEG:
      return std::make_unique<TTIFFJPEGDecoder>(properties);
    case ctThunderScan:
      return std::make_unique<TThunderDecoder>(width);
    default:
      NotSupported(kCompressionSchemeIs);
  }
}

}  // namespace quillo
