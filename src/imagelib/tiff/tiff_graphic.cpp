#include "imagelib/tiff/tiff_graphic.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "image/byte_order.h"
#include "image/image_limits.h"
#include "imagelib/color_manager.h"
#include "imagelib/decoders/bit_order.h"
#include "imagelib/decoders/decoder_table.h"
#include "imagelib/decoders/tiff_jpeg_decoder.h"
#include "imagelib/reader_strings.h"
#include "platform/errors.h"

namespace quillo {
namespace {

enum TTiffTag : uint16_t {
  kImageWidth = 256,
  kImageLength = 257,
  kBitsPerSample = 258,
  kCompression = 259,
  kPhotometric = 262,
  kFillOrder = 266,
  kStripOffsets = 273,
  kSamplesPerPixel = 277,
  kRowsPerStrip = 278,
  kStripByteCounts = 279,
  kXResolution = 282,
  kYResolution = 283,
  kPlanarConfiguration = 284,
  kT4Options = 292,
  kResolutionUnit = 296,
  kPredictor = 317,
  kColorMap = 320,
  kTileWidth = 322,
  kTileLength = 323,
  kTileOffsets = 324,
  kTileByteCounts = 325,
  kExtraSamples = 338,
  kSampleFormat = 339,
  kJPEGTables = 347,
  kYCbCrCoefficients = 529,
  kYCbCrSubSampling = 530,
};

constexpr uint32_t kTiffVersion = 42;
constexpr uint32_t kBigTiffVersion = 43;
constexpr uint32_t kSignedSamples = 2;
constexpr uint32_t kIeeeFloatSamples = 3;
constexpr uint32_t kHorizontalDifferencing = 2;
constexpr uint32_t kFloatingPointPredictor = 3;

TCompressionKind CompressionKind(uint16_t value) {
  switch (value) {
    case 1:
      return ctNone;
    case 2:
      return ctCCITTHuffman;
    case 3:
      return ctCCITTGroup3;
    case 4:
      return ctCCITTGroup4;
    case 5:
      return ctLZW;
    case 6:
      return ctOldJPEG;
    case 7:
      return ctJPEG;
    case 8:
    case 32946:
      return ctDeflate;
    case 32766:
      return ctNeXT;
    case 32771:
      return ctCCITTHuffmanWordAligned;
    case 32773:
      return ctPackBits;
    case 32809:
      return ctThunderScan;
    case 32895:
      return ctIT8CTPad;
    case 32896:
      return ctIT8LineWork;
    case 32897:
      return ctIT8Monochrome;
    case 32898:
      return ctIT8BinaryLineArt;
    case 32908:
      return ctPixarFilm;
    case 32909:
      return ctPixarLog;
    case 32947:
      return ctKodakDCS;
    case 34661:
      return ctJBIG;
    default:
      return ctUnknown;
  }
}

ColorModel PhotometricModel(uint8_t photometric, uint8_t samples) {
  switch (photometric) {
    case 0:
    case 1:
      return cmGray;
    case 2:
      return samples < 4 ? cmRGB : cmRGBA;
    case 3:
      return cmIndexed;
    case 5:
      return cmCMYK;
    case 6:
      return cmYCbCr;
    case 8:
      return cmCIELab;
    default:
      return cmUnknown;
  }
}

bool IndexedOrGray(ColorModel model) {
  return model == cmIndexed || model == cmGray || model == cmGrayAlpha;
}

// Samples a pixel of the colour scheme needs at least.
uint8_t SchemeSamples(ColorModel model) {
  switch (model) {
    case cmGrayAlpha:
      return 2;
    case cmRGB:
    case cmCIELab:
    case cmYCbCr:
      return 3;
    case cmRGBA:
    case cmCMYK:
      return 4;
    default:
      return 1;
  }
}

ColorModel TargetModel(ColorModel source) {
  switch (source) {
    case cmGrayAlpha:
      return cmGray;
    case cmRGB:
    case cmCMY:
    case cmCMYK:
    case cmCIELab:
    case cmYCbCr:
      return cmBGR;
    case cmRGBA:
      return cmBGRA;
    default:
      return source;
  }
}

// Sample counts and depths are kept to a byte; larger values stay out of range.
uint8_t ByteOrMax(uint32_t value) { return static_cast<uint8_t>(std::min<uint32_t>(value, 255)); }

[[noreturn]] void NotSupported(std::string_view what) {
  RaiseGraphicErrorFmt(kNotSupportedPattern, {what, kTiffFormatName});
}

// What the refusal of a compression number the reader does not know calls it.
std::string UnknownScheme(uint32_t value) {
  switch (value) {
    case 34712:
      return "JPEG 2000 compression is";
    case 34887:
      return "LERC compression is";
    case 34676:
    case 34677:
      return "SGILog compression is";
    case 34925:
      return "LZMA compression is";
    case 50000:
      return "Zstandard compression is";
    case 50001:
      return "WebP compression is";
    case 50002:
      return "JPEG XL compression is";
    default:
      return "Compression scheme " + std::to_string(value) + " is";
  }
}

// Uncompressed rows whose bits the file stores least significant first, turned around; the
// decoders turn compressed data around themselves.
class TReversedRows {
 public:
  TReversedRows(uint32_t planes, uint64_t row_bytes)
      : rows_(planes, std::vector<uint8_t>(CheckedSize(row_bytes, 1))), pointers_(planes) {}

  std::span<const uint8_t* const> Of(std::span<const uint8_t* const> planes) {
    for (size_t p = 0; p < planes.size() && p < rows_.size(); ++p) {
      std::copy_n(planes[p], rows_[p].size(), rows_[p].data());
      ReverseBitOrder(rows_[p].data(), rows_[p].size());
      pointers_[p] = rows_[p].data();
    }
    return pointers_;
  }

 private:
  std::vector<std::vector<uint8_t>> rows_;
  std::vector<const uint8_t*> pointers_;
};

}  // namespace

bool TTIFFGraphic::CanLoadStream(TStream& stream) {
  const int64_t start = stream.Position();
  const int64_t available = stream.Size() - start;
  uint8_t header[8];
  if (available <= 8 || PeekBytes(stream, header, sizeof header) < 8) return false;
  bool big_endian;
  if (header[0] == 'I' && header[1] == 'I') {
    big_endian = false;
  } else if (header[0] == 'M' && header[1] == 'M') {
    big_endian = true;
  } else {
    return false;
  }
  const uint16_t version = LoadU16(header + 2, big_endian);
  return (version == kTiffVersion || version == kBigTiffVersion) &&
         LoadU32(header + 4, big_endian) < available;
}

bool TTIFFGraphic::ReadProperties(TStream& stream, uint32_t image_index) {
  TReaderGraphic::ReadProperties(stream, image_index);
  TImageProperties& p = Properties();
  stream.SetPosition(StartPosition());
  TByteReader file(stream);
  uint8_t header[8];
  file.Read(header, sizeof header);
  const bool big_endian = header[0] == 'M' && header[1] == 'M';
  if (big_endian) p.Flags |= BigEndian;
  file.SetBigEndian(big_endian);
  p.FormatVersion = LoadU16(header + 2, big_endian);
  p.FirstIFDOffset = LoadU32(header + 4, big_endian);
  if (p.FormatVersion != kTiffVersion) return false;

  uint32_t offset = p.FirstIFDOffset;
  for (; image_index > 0; --image_index) {
    file.Seek(offset);
    file.Skip(int64_t{file.U16()} * 12);
    offset = file.U32();
    if (offset == 0) return false;
  }
  directory_.Read(file, offset);

  const uint32_t width = directory_.TagValue(kImageWidth, 0);
  const uint32_t height = directory_.TagValue(kImageLength, 0);
  if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) return false;
  p.Width = static_cast<int32_t>(width);
  p.Height = static_cast<int32_t>(height);

  std::vector<uint32_t> rows_per_strip = directory_.TagCardinalList(file, kRowsPerStrip);
  // Missing, "unlimited" or zero rows per strip mean one strip for the whole image.
  if (rows_per_strip.empty() || rows_per_strip[0] == UINT32_MAX || rows_per_strip[0] == 0) {
    rows_per_strip = {height};
  }
  p.RowsPerStrip = TCardinalArray(std::move(rows_per_strip));
  p.SamplesPerPixel = ByteOrMax(directory_.TagValue(kSamplesPerPixel, 1));
  const std::vector<uint32_t> bits = directory_.TagCardinalList(file, kBitsPerSample);
  p.BitsPerSample = bits.empty() ? 1 : ByteOrMax(bits[0]);
  p.TileWidth = directory_.TagValue(kTileWidth, 0);
  p.TileLength = directory_.TagValue(kTileLength, 0);
  if (p.TileWidth != 0 && p.TileLength != 0) p.Flags |= Tiled;
  const auto photometric = static_cast<uint8_t>(directory_.TagValue(kPhotometric, 0));
  if (photometric == 0) p.Flags |= MinIsWhite;
  const std::vector<uint32_t> extra = directory_.TagCardinalList(file, kExtraSamples);
  p.HasAlphaChannel =
      !extra.empty() && std::all_of(extra.begin(), extra.end(), [](uint32_t v) { return v <= 2; });
  p.BitsPerPixel = static_cast<uint8_t>(p.BitsPerSample * p.SamplesPerPixel);
  p.Compression = CompressionKind(static_cast<uint16_t>(directory_.TagValue(kCompression, 1)));
  p.ColorModel = PhotometricModel(photometric, p.SamplesPerPixel);
  if (p.ColorModel == cmYCbCr) {
    std::vector<uint8_t> subsampling = directory_.TagByteList(file, kYCbCrSubSampling);
    if (subsampling.size() < 2) subsampling = {2, 2};
    p.YCbCrSubSampling = TByteArray(std::move(subsampling));
    ycbcr_coefficients_ = directory_.TagFloatList(file, kYCbCrCoefficients);
    if (ycbcr_coefficients_.empty()) ycbcr_coefficients_ = {0.299f, 0.587f, 0.114f};
  }
  p.JPEGColorMode = 0;
  p.JPEGTablesMode = 3;
  p.PlanarConfiguration = directory_.TagValue(kPlanarConfiguration, 0);
  p.XResolution = static_cast<float>(directory_.TagNumber(file, kXResolution, 0));
  p.YResolution = static_cast<float>(directory_.TagNumber(file, kYResolution, 0));
  if (directory_.TagValue(kResolutionUnit, 2) == 3) {
    p.XResolution *= 2.54f;
    p.YResolution *= 2.54f;
  }
  p.Predictor = directory_.TagValue(kPredictor, 0);
  if (directory_.TagValue(kFillOrder, 1) == 2) p.Flags |= ReversedFillOrder;
  return true;
}

void TTIFFGraphic::ReadTiff(TStream& stream) {
  TBitmap::AssignFrom(nullptr);
  SetStartPosition(static_cast<int32_t>(stream.Position()));
  if (!ReadProperties(stream, 0)) {
    if (Properties().FormatVersion == kBigTiffVersion) NotSupported(kBigTiffIs);
    RaiseGraphicErrorFmt(kInvalidImagePattern, {kTiffFormatName});
  }
  stream.SetPosition(StartPosition());
  TByteReader file(stream, (Properties().Flags & BigEndian) != 0);
  std::unique_ptr<TDecoder> decoder;
  try {
    LoadImage(file, decoder);
  } catch (...) {
    PaintRowsWhite(static_cast<int32_t>(Properties().RowsDone));
    // The first error is the one reported; the closing step only releases.
    try {
      FinishLoad(decoder);
    } catch (...) {
    }
    throw;
  }
  // Rows the file never gave are white, as in a picture set up by the setters.
  PaintRowsWhite(static_cast<int32_t>(Properties().RowsDone));
  FinishLoad(decoder);
}

void TTIFFGraphic::FinishLoad(std::unique_ptr<TDecoder>& decoder) {
  Progress(psEnding, 0, false, RowsRect(), "");
  if (decoder) {
    const std::unique_ptr<TDecoder> ending = std::move(decoder);
    ending->EndDecoding();
  }
}

void TTIFFGraphic::LoadImage(TByteReader& file, std::unique_ptr<TDecoder>& decoder) {
  TImageProperties& p = Properties();
  RowsRect() = {0, 0, 0, 1};
  Progress(psStarting, 0, false, RowsRect(), "Preparing...");
  // Some writers list tiles under the strip tags.
  size_t index;
  const bool tile_tags = (p.Flags & Tiled) && directory_.LocateTag(kTileOffsets, index);
  std::vector<uint32_t> offsets =
      directory_.TagCardinalList(file, tile_tags ? kTileOffsets : kStripOffsets);
  std::vector<uint32_t> byte_counts =
      directory_.TagCardinalList(file, tile_tags ? kTileByteCounts : kStripByteCounts);

  RefuseUnreadable(file);
  if (p.Compression == ctJPEG) p.JPEGTables = TByteArray(directory_.TagByteList(file, kJPEGTables));
  const uint32_t block_width = (p.Flags & Tiled) ? p.TileWidth : static_cast<uint32_t>(p.Width);
  std::unique_ptr<TDecoder> created =
      CreateDecoder(p, directory_.TagValue(kT4Options, 0), block_width);
  SetUpConversion(file);
  RowsRect().right = p.Width;
  const TBlockLayout layout = BlockLayout();
  decoder = std::move(created);
  if (decoder) decoder->BeginDecoding();

  Progress(psEnding, 0, false, RowsRect(), "");
  Progress(psStarting, 0, false, RowsRect(), "Transfering...");
  p.RowsDone = 0;
  p.StripIndex = 0;
  p.StripCount = static_cast<uint32_t>(offsets.size());
  TBlockLoop loop(file, layout, std::move(offsets), std::move(byte_counts), decoder.get(), p);
  const auto width = static_cast<uint32_t>(p.Width);
  const uint64_t height = static_cast<uint32_t>(p.Height);
  const uint32_t pixel_bits = BitsPerPixel(PixelFormat());
  std::optional<TReversedRows> reversed;
  if (p.Compression == ctNone && (p.Flags & ReversedFillOrder)) {
    reversed.emplace(layout.planes,
                     layout.units ? uint64_t{layout.block_width} * 3 : layout.row_bytes);
  }
  bool checked = false;
  loop.Run([&](std::span<const uint8_t* const> planes, const TRowPiece& piece) {
    if (!checked) {
      CheckRowFits(layout);
      checked = true;
    }
    if (reversed) planes = reversed->Of(planes);
    uint8_t* target =
        RowAddress(static_cast<int32_t>(piece.y)) + uint64_t{piece.x} * pixel_bits / 8;
    ColorConverter().ConvertRow(planes, target, piece.count, 0xFF);
    // A row is reported once, with its last piece.
    if (piece.x + piece.count < width) return;
    const auto percent =
        static_cast<uint8_t>(((piece.y + 1) * uint64_t{100} + height / 2) / height);
    RowsRect().top = static_cast<int32_t>(piece.y);
    RowsRect().bottom = RowsRect().top + 1;
    Progress(psRunning, percent, true, RowsRect(), "");
    ++RowsRect().top;
    ++RowsRect().bottom;
  });
}

void TTIFFGraphic::RefuseUnreadable(TByteReader& file) {
  const std::vector<uint32_t> formats = directory_.TagCardinalList(file, kSampleFormat);
  if (std::find(formats.begin(), formats.end(), kIeeeFloatSamples) != formats.end()) {
    NotSupported(kFloatingPointSamplesAre);
  }
  signed_samples_ = std::find(formats.begin(), formats.end(), kSignedSamples) != formats.end();
  if (Properties().BitsPerSample > 16) {
    NotSupported(std::to_string(Properties().BitsPerSample) + "-bit integer samples are");
  }
  if (Properties().Compression == ctUnknown) {
    NotSupported(UnknownScheme(directory_.TagValue(kCompression, 1) & 0xFFFF));
  }
}

void TTIFFGraphic::SetUpConversion(TByteReader& file) {
  TImageProperties& p = Properties();
  TColorManager& converter = ColorConverter();
  const uint8_t bits = p.BitsPerSample;
  const uint8_t samples = p.SamplesPerPixel;
  // libjpeg turns YCbCr into blue, green and red; other JPEG data come as the samples stored.
  const bool jpeg_bgr = JpegDecodesToBgr(p);
  ColorModel source = jpeg_bgr ? cmBGR : p.ColorModel;
  // Gray and indexed pixels with extra samples: the first is taken as alpha, and dropped.
  const bool gray_alpha = IndexedOrGray(source) && samples >= 2;
  // Indexed pixels of more than 8 bits have more colours than a palette holds: each pixel
  // takes its own colour from the colour map.
  const bool mapped = source == cmIndexed && bits > 8;
  ColorModel target = gray_alpha ? (source == cmIndexed ? cmIndexed : cmGray) : TargetModel(source);
  if (mapped) target = cmBGR;
  if (gray_alpha && !mapped) source = cmGrayAlpha;

  // Bitmaps hold gray and indexed pixels of up to 4 bits as they are, everything else in bytes.
  const uint8_t target_bits = IndexedOrGray(source) && bits <= 4 ? bits : 8;
  // Samples past those of the colour scheme are dropped before the conversion.
  const uint8_t scheme_samples = jpeg_bgr ? samples : SchemeSamples(source);
  if (samples < scheme_samples) throw EColorConversionError(kSampleCountMessage);
  const auto extra_samples = static_cast<uint8_t>(samples - scheme_samples);
  uint8_t target_samples = scheme_samples;
  if (source == cmCMYK || mapped) target_samples = 3;
  if (gray_alpha) target_samples = 1;

  TConvertOptions options = (p.Flags & BigEndian) ? opSwapBytes : 0;
  if (source == cmCIELab) {
    options |= opLabPercentL;
  } else if (signed_samples_) {
    options |= opSigned;
  }
  converter.SetSourceOptions(options);
  converter.SetSourceBitsPerSample(bits);
  converter.SetTargetBitsPerSample(target_bits);
  converter.SetSourceColorModel(source);
  converter.SetTargetColorModel(target);
  converter.SetSourceSamplesPerPixel(std::min<uint8_t>(scheme_samples, 4));
  converter.SetSourceExtraSamples(extra_samples);
  converter.SetTargetSamplesPerPixel(target_samples);

  const TPixelFormat format = gray_alpha && !mapped ? px8Bit : converter.PixelFormatFor(1);
  TPaletteRef palette;
  if (mapped) {
    ReadColorMap(file, [&](std::span<const uint8_t* const> planes, int count) {
      converter.SetColorMap(planes, rpWordPlanes3, count);
    });
  } else if (target == cmIndexed) {
    ReadColorMap(file, [&](std::span<const uint8_t* const> planes, int count) {
      palette = converter.MakeColorPalette(planes, rpWordPlanes3, count, false);
    });
  } else if (target == cmGray) {
    palette = converter.MakeGrayPalette((p.Flags & MinIsWhite) != 0);
  } else if (source == cmYCbCr) {
    converter.SetYCbCrValues(ycbcr_coefficients_, p.YCbCrSubSampling[0], p.YCbCrSubSampling[1]);
  }
  if (!FitsStoreLimits(p.Width, p.Height, BitsPerPixel(format))) {
    throw EInvalidGraphic(kImageTooLargeMessage);
  }
  CheckDataFor(p.Width, p.Height, BitsPerPixel(format), file.Size());
  // Strips give whole rows, so rows are painted white after the load only where the file gives
  // none; tiles missing from a row of tiles leave parts of rows, so a tiled picture starts white.
  SetUpPicture(format, p.Width, p.Height, palette, (p.Flags & Tiled) != 0);
}

void TTIFFGraphic::ReadColorMap(
    TByteReader& file, const std::function<void(std::span<const uint8_t* const>, int)>& take) {
  const std::vector<uint32_t> values = directory_.TagCardinalList(file, kColorMap);
  if (values.empty()) return;
  // The converter takes the values as the file stores them and swaps their bytes itself.
  const bool big_endian = (Properties().Flags & BigEndian) != 0;
  std::vector<uint8_t> words(values.size() * 2);
  for (size_t i = 0; i < values.size(); ++i) {
    const auto v = static_cast<uint16_t>(values[i]);
    if (big_endian) {
      StoreU16Be(&words[2 * i], v);
    } else {
      StoreU16(&words[2 * i], v);
    }
  }
  const size_t third = values.size() / 3;
  const uint8_t* planes[] = {words.data(), words.data() + 2 * third, words.data() + 4 * third};
  take(planes, static_cast<int>(third));
}

TBlockLayout TTIFFGraphic::BlockLayout() {
  TImageProperties& p = Properties();
  const uint32_t samples = p.SamplesPerPixel;
  const bool planar = p.PlanarConfiguration == 2 && samples > 1;
  const bool tiled = (p.Flags & Tiled) != 0;
  TBlockLayout layout;
  layout.planes = planar ? samples : 1;
  layout.block_width = tiled ? p.TileWidth : static_cast<uint32_t>(p.Width);
  layout.tile_length = tiled ? p.TileLength : 0;
  // Tiles go into the picture's rows at whole bytes.
  if (tiled && uint64_t{layout.block_width} * BitsPerPixel(PixelFormat()) % 8 != 0) {
    NotSupported(kTileWidthIs);
  }
  layout.row_bytes =
      (uint64_t{layout.block_width} * p.BitsPerSample * (planar ? 1 : samples) + 7) / 8;
  const bool subsampled =
      p.ColorModel == cmYCbCr && (p.YCbCrSubSampling[0] != 1 || p.YCbCrSubSampling[1] != 1);
  if (subsampled && !JpegDecodesToBgr(p)) {
    if (p.Compression == ctJPEG || p.BitsPerSample != 8 || planar || samples != 3) {
      NotSupported(kSubsampledLayoutIs);
    }
    layout.units =
        TDataUnitLayout{layout.block_width, p.YCbCrSubSampling[0], p.YCbCrSubSampling[1]};
  }
  p.BytesPerRow =
      static_cast<uint32_t>(layout.units ? layout.units->UnitRowBytes() : layout.row_bytes);

  if (p.Compression != ctNone && p.Predictor == kFloatingPointPredictor) {
    NotSupported(kFloatingPointPredictorIs);
  }
  if (p.Compression != ctNone && p.Predictor == kHorizontalDifferencing) {
    layout.predictor = PredictorRoutineFor(p.BitsPerSample, (p.Flags & BigEndian) != 0);
    if (layout.predictor == nullptr || layout.units) NotSupported(kDifferencingDepthIs);
    layout.predictor_distance = planar ? 1 : samples;
  }
  return layout;
}

void TTIFFGraphic::CheckRowFits(const TBlockLayout& layout) {
  TColorManager& converter = ColorConverter();
  const auto width = static_cast<uint32_t>(Width());
  if (converter.TargetBytesPerRow(width) >
      static_cast<uint64_t>(RowStride(width, BitsPerPixel(PixelFormat())))) {
    throw EColorConversionError(kColorDepthMessage);
  }
  const uint32_t block_width = layout.block_width;
  const uint64_t decoded =
      layout.units ? uint64_t{block_width} * 3 : layout.row_bytes * layout.planes;
  if (converter.SourceBytesPerRow(block_width) > decoded) {
    throw EColorConversionError(kSampleCountMessage);
  }
}

}  // namespace quillo
