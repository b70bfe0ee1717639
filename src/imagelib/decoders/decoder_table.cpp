#include "imagelib/decoders/decoder_table.h"

#include "imagelib/decoders/bit_order.h"
#include "imagelib/decoders/ccitt_decoder.h"
#include "imagelib/decoders/lz77_decoder.h"
#include "imagelib/decoders/lzw_decoder.h"
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

// What the refusal of a compression without a decoder calls it.
const char* RefusedScheme(TCompressionKind kind) {
  switch (kind) {
    case ctOldJPEG:
      return "Old-style JPEG compression is";
    case ctNeXT:
      return "NeXT 2-bit compression is";
    case ctIT8CTPad:
      return "IT8 CT with padding compression is";
    case ctIT8LineWork:
      return "IT8 line work compression is";
    case ctIT8Monochrome:
      return "IT8 monochrome picture compression is";
    case ctIT8BinaryLineArt:
      return "IT8 binary line art compression is";
    case ctPixarFilm:
      return "Pixar film compression is";
    case ctPixarLog:
      return "Pixar log compression is";
    case ctKodakDCS:
      return "Kodak DCS compression is";
    case ctJBIG:
      return "JBIG compression is";
    default:
      return kCompressionSchemeIs;
  }
}

// The decoders of byte-oriented data, which see the bits of a file that stores them least
// significant first turned around.
std::unique_ptr<TDecoder> CreateByteDecoder(TCompressionKind compression, uint32_t width) {
  switch (compression) {
    case ctPackBits:
      return std::make_unique<TPackbitsRLEDecoder>();
    case ctDeflate:
      return std::make_unique<TLZ77Decoder>();
    case ctLZW:
      return std::make_unique<TLZWDecoder>();
    case ctThunderScan:
      return std::make_unique<TThunderDecoder>(width);
    default:
      NotSupported(RefusedScheme(compression));
  }
}

}  // namespace

std::unique_ptr<TDecoder> CreateDecoder(const TImageProperties& properties, uint32_t t4_options,
                                        uint32_t block_width) {
  const bool reversed = (properties.Flags & ReversedFillOrder) != 0;
  const uint32_t width = block_width;
  switch (properties.Compression) {
    case ctNone:
      return nullptr;
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
    // JPEG data are bytes of their own coding, whatever the fill order says.
    case ctJPEG:
      return std::make_unique<TTIFFJPEGDecoder>(properties);
    default: {
      std::unique_ptr<TDecoder> decoder = CreateByteDecoder(properties.Compression, width);
      if (!reversed) return decoder;
      return std::make_unique<TReversedBitsDecoder>(std::move(decoder));
    }
  }
}

}  // namespace quillo
