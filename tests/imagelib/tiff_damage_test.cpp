// Hand-built TIFF files: what each directory field does, every refusal with its message, and
// damage that loads what is there without reading or writing outside a buffer.
#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>
#include <string>
#include <vector>

#include "imagelib/color_manager.h"
#include "imagelib/tiff/tiff_graphic.h"
#include "platform/errors.h"
#include "support/bmp_test_support.h"
#include "support/tiff_bytes.h"

namespace quillo {
namespace {

using testing::TiffBytes;
using Bytes = std::vector<uint8_t>;

// A gray image of 8-bit samples (or as the fields say), with the strip data given.
struct Gray {
  uint32_t width = 4;
  uint32_t height = 2;
  uint16_t bits = 8;
  uint16_t samples = 1;
  uint16_t photometric = 1;
  uint16_t compression = 1;
  bool big_endian = false;
  // Extra entries, added before the file is made.
  std::function<void(TiffBytes&)> more = nullptr;
};

// One strip holding `data`, with its byte count.
std::string GrayFile(const Gray& g, const Bytes& data) {
  TiffBytes t(g.big_endian);
  const uint32_t strip = t.Data(data);
  t.Long(256, g.width).Long(257, g.height).Short(258, g.bits).Short(259, g.compression);
  t.Short(262, g.photometric).Long(273, strip).Short(277, g.samples);
  t.Long(279, static_cast<uint32_t>(data.size()));
  if (g.more) g.more(t);
  return t.File();
}

void Load(TTIFFGraphic& graphic, const std::string& file) {
  TMemoryStream stream = testing::StreamOf(file);
  graphic.LoadFromStream(stream);
}

// Gray levels of the loaded picture, row by row.
Bytes Grays(TTIFFGraphic& graphic) {
  Bytes out;
  for (int32_t y = 0; y < graphic.Height(); ++y) {
    for (int32_t x = 0; x < graphic.Width(); ++x) {
      out.push_back(static_cast<uint8_t>(testing::ColorAt(graphic, x, y)));
    }
  }
  return out;
}

Bytes Deflated(const Bytes& data, int window_bits = 15) {
  z_stream z{};
  deflateInit2(&z, 6, Z_DEFLATED, window_bits, 8, Z_DEFAULT_STRATEGY);
  Bytes out(compressBound(data.size()) + 32);
  z.next_in = const_cast<uint8_t*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

const Bytes kEight = {0, 10, 20, 30, 40, 50, 60, 70};

struct RefusedCase {
  const char* name;
  std::string file;
  std::string message;
};

class RefusedFile : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedFile, WithItsMessage) {
  TTIFFGraphic graphic;
  try {
    Load(graphic, GetParam().file);
    ADD_FAILURE() << "loaded";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), GetParam().message);
  }
}

std::string NotSupported(const std::string& what) {
  return "Cannot load image. " + what + " not supported for TIF/TIFF files.";
}
const std::string kInvalid = "Cannot load image. Invalid or unexpected TIF/TIFF image format.";
const std::string kSamples =
    "Sample count per pixel does not correspond to the given color scheme.";
const std::string kDepth = "Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.";

std::string WithVersion(uint16_t version) {
  std::string file = GrayFile({}, kEight);
  file[2] = static_cast<char>(version);
  return file;
}

std::string WithoutTag(uint16_t tag) {
  TiffBytes t;
  const uint32_t strip = t.Data(kEight);
  for (auto [id, value] : {std::pair{256, 4}, {257, 2}, {273, 0}}) {
    if (id != tag)
      t.Long(static_cast<uint16_t>(id), id == 273 ? strip : static_cast<uint32_t>(value));
  }
  return t.File();
}

INSTANTIATE_TEST_SUITE_P(
    Directory, RefusedFile,
    ::testing::Values(
        RefusedCase{"VersionNot42", WithVersion(44), kInvalid},
        RefusedCase{"BigTiffVersion", WithVersion(43), NotSupported("The BigTIFF format is")},
        RefusedCase{"WidthMissing", WithoutTag(256), kInvalid},
        RefusedCase{"HeightMissing", WithoutTag(257), kInvalid},
        RefusedCase{"JbigCompression", GrayFile({.compression = 34661}, kEight),
                    NotSupported("JBIG compression is")},
        RefusedCase{"WebPCompression", GrayFile({.compression = 50001}, kEight),
                    NotSupported("WebP compression is")},
        RefusedCase{"UnknownCompression", GrayFile({.compression = 40000}, kEight),
                    NotSupported("Compression scheme 40000 is")},
        RefusedCase{"FloatingPointSamples",
                    GrayFile({.bits = 32, .more = [](TiffBytes& t) { t.Short(339, 3); }}, kEight),
                    NotSupported("Floating point samples are")},
        RefusedCase{
            "TileWidthSplittingBytes",
            GrayFile({.bits = 1, .more = [](TiffBytes& t) { t.Long(322, 12).Long(323, 16); }},
                     kEight),
            NotSupported("A tile width that splits bytes is")},
        // Only the tile's rows inside the picture are decoded, but each of them whole.
        RefusedCase{
            "CompressedTileRowsBeyondTheStoreLimit",
            GrayFile({.compression = 32773,
                      .more = [](TiffBytes& t) { t.Long(322, 0x80000000u).Long(323, 65536); }},
                     kEight),
            "Image is too large."},
        // A T.6 row that starts with the code of the uncompressed mode: 0000001111.
        RefusedCase{"FaxUncompressedModeCode",
                    GrayFile({.width = 8, .bits = 1, .compression = 4}, {0x03, 0xC0}),
                    NotSupported("Uncompressed fax mode is")},
        RefusedCase{
            "FaxUncompressedMode",
            GrayFile({.bits = 1, .compression = 3, .more = [](TiffBytes& t) { t.Long(292, 2); }},
                     kEight),
            NotSupported("Uncompressed fax mode is")},
        RefusedCase{"FloatingPointPredictor",
                    GrayFile({.compression = 8, .more = [](TiffBytes& t) { t.Short(317, 3); }},
                             Deflated(kEight)),
                    NotSupported("The floating point predictor is")},
        RefusedCase{
            "DifferencingOnFourBitSamples",
            GrayFile({.bits = 4, .compression = 8, .more = [](TiffBytes& t) { t.Short(317, 2); }},
                     Deflated(kEight)),
            NotSupported("Horizontal differencing at this sample depth is")},
        RefusedCase{"RgbWithOneSample", GrayFile({.photometric = 2}, kEight), kSamples},
        RefusedCase{"YCbCrWithTwoSamples",
                    GrayFile({.width = 2,
                              .samples = 2,
                              .photometric = 6,
                              .more = [](TiffBytes& t) { t.ShortsInField(530, 1, 1); }},
                             kEight),
                    kSamples},
        RefusedCase{"LabWithTwoSamples",
                    GrayFile({.width = 2, .samples = 2, .photometric = 8}, kEight), kSamples},
        RefusedCase{"CmykWithThreeSamples",
                    GrayFile({.width = 1, .samples = 3, .photometric = 5}, kEight), kSamples},
        RefusedCase{"ZeroBitsPerSample", GrayFile({.bits = 0}, kEight), kDepth},
        RefusedCase{"Rgb20Bits",
                    GrayFile({.width = 1, .bits = 20, .samples = 3, .photometric = 2}, kEight),
                    "Cannot load image. 20-bit integer samples are not supported for TIF/TIFF "
                    "files."},
        RefusedCase{"YCbCrSubsamplingThree",
                    GrayFile({.width = 2,
                              .samples = 3,
                              .photometric = 6,
                              .more = [](TiffBytes& t) { t.ShortsInField(530, 3, 1); }},
                             kEight),
                    "Subsampling value is invalid. Allowed are 1, 2 and 4."},
        RefusedCase{"SubsampledYCbCrOfSixteenBits",
                    GrayFile({.width = 2, .bits = 16, .samples = 3, .photometric = 6}, kEight),
                    NotSupported("Subsampled YCbCr in this layout is")},
        RefusedCase{"TransparencyMaskPhotometric", GrayFile({.photometric = 4}, kEight),
                    "Color conversion failed. Could not find a proper method."},
        RefusedCase{"ImageOfAThousandMegapixels",
                    GrayFile({.width = 40000, .height = 25000}, kEight), "Image is too large."},
        RefusedCase{"CorruptDeflateStrip",
                    GrayFile({.compression = 8}, {0x78, 0x9C, 0xFF, 0xFF, 0xFF, 0x00, 0x12}),
                    "LZ77 decompression error."},
        RefusedCase{"DeflateStripWithoutZlibHeader",
                    GrayFile({.compression = 8}, Deflated(kEight, -15)),
                    "LZ77 decompression error."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TiffDamage, DirectoryCutOffRaisesTheReadError) {
  std::string file = GrayFile({}, kEight);
  file.resize(file.size() - 20);
  TTIFFGraphic graphic;
  EXPECT_THROW(Load(graphic, file), EReadError);
}

TEST(TiffDamage, ColorMapCutOffRaisesTheReadError) {
  const std::string file = GrayFile(
      {.photometric = 3, .more = [](TiffBytes& t) { t.Entry(320, 3, 768, 100000); }}, kEight);
  TTIFFGraphic graphic;
  EXPECT_THROW(Load(graphic, file), EReadError);
}

struct DamagedCase {
  const char* name;
  std::string file;
  Bytes grays;  // the picture's gray levels, row by row
};

class DamagedFile : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedFile, LoadsWhatIsThere) {
  TTIFFGraphic graphic;
  Load(graphic, GetParam().file);
  EXPECT_EQ(Grays(graphic), GetParam().grays);
}

std::string WithStripEntries(const Bytes& data, std::function<void(TiffBytes&, uint32_t)> strips,
                             uint16_t compression = 1) {
  TiffBytes t;
  const uint32_t offset = t.Data(data);
  t.Long(256, 4).Long(257, 2).Short(258, 8).Short(259, compression).Short(262, 1);
  strips(t, offset);
  return t.File();
}

// A strip behind the directory, where the file ends.
std::string StripAtTheEnd(const Bytes& strip, uint16_t compression = 1, uint32_t byte_count = 8) {
  TiffBytes t;
  const uint32_t end = 8 + 2 + 7 * 12 + 4;
  t.Long(256, 4).Long(257, 2).Short(258, 8).Short(259, compression).Short(262, 1);
  t.Long(273, end).Long(279, byte_count);
  return t.File() + std::string(strip.begin(), strip.end());
}

INSTANTIATE_TEST_SUITE_P(
    Strips, DamagedFile,
    ::testing::Values(
        // PackBits: a literal run of 8 whose count claims a kilobyte more than the file has.
        DamagedCase{"StripByteCountPastEnd",
                    StripAtTheEnd({7, 1, 2, 3, 4, 5}, 32773, 1000),
                    {1, 2, 3, 4, 5, 0, 0, 0}},
        DamagedCase{"StripOffsetPastEnd",
                    WithStripEntries(kEight, [](TiffBytes& t,
                                                uint32_t) { t.Long(273, 5000).Long(279, 8); }),
                    Bytes(8, 0)},
        DamagedCase{
            "UncompressedStripCutShort", StripAtTheEnd({9, 8, 7}), {9, 8, 7, 0, 0, 0, 0, 0}},
        DamagedCase{"NoStripOffsetsLeavesThePictureAsMade",
                    WithStripEntries(kEight, [](TiffBytes& t, uint32_t) { t.Long(279, 8); }),
                    Bytes(8, 255)},
        DamagedCase{"FewerByteCountsThanOffsets",
                    WithStripEntries(
                        Deflated({1, 2, 3, 4}),
                        [](TiffBytes& t, uint32_t at) {
                          t.ShortsInField(273, static_cast<uint16_t>(at),
                                          static_cast<uint16_t>(at));
                          t.Long(278, 1).Long(279, 20);
                        },
                        8),
                    {1, 2, 3, 4, 0, 0, 0, 0}},
        DamagedCase{"RowsPerStripBeyondTheImage",
                    WithStripEntries(kEight,
                                     [](TiffBytes& t, uint32_t at) {
                                       t.Long(273, at).Long(278, 0xFFFFFFFE).Long(279, 8);
                                     }),
                    kEight},
        DamagedCase{"PlanarStripsFewerThanThePlanesNeed",
                    WithStripEntries(kEight,
                                     [](TiffBytes& t, uint32_t at) {
                                       t.Short(277, 2).Long(278, 1).Short(284, 2);
                                       t.Entry(273, 4, 2, t.Longs({at, at + 4})).Long(279, 4);
                                     }),
                    Bytes(8, 255)},
        // Tiles of 2 x 2 pixels: smaller than the rules allow, but read as they stand.
        DamagedCase{"TilesUnderTheStripTags",
                    WithStripEntries(kEight,
                                     [](TiffBytes& t, uint32_t at) {
                                       t.Long(322, 2).Long(323, 2);
                                       t.ShortsInField(273, static_cast<uint16_t>(at),
                                                       static_cast<uint16_t>(at + 4));
                                       t.ShortsInField(279, 4, 4);
                                     }),
                    {0, 10, 40, 50, 20, 30, 60, 70}},
        DamagedCase{"TileOffsetsShortOfTheTiles",
                    WithStripEntries(kEight,
                                     [](TiffBytes& t, uint32_t at) {
                                       t.Long(322, 2).Long(323, 2).Long(324, at).Long(325, 4);
                                     }),
                    {0, 10, 255, 255, 20, 30, 255, 255}},
        DamagedCase{"RowsPerStripZero",
                    WithStripEntries(kEight,
                                     [](TiffBytes& t, uint32_t at) {
                                       t.Long(273, at).Long(278, 0).Long(279, 8);
                                     }),
                    kEight}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TiffFields, BigEndianShortOffsetsInTheEntryLoadTheStripsInFileOrder) {
  TiffBytes t(true);
  const uint32_t second = t.Data({5, 6, 7, 8});
  const uint32_t first = t.Data({1, 2, 3, 4});
  t.Long(256, 4).Long(257, 2).Short(258, 8).Short(262, 1).Long(278, 1);
  t.ShortsInField(273, static_cast<uint16_t>(first), static_cast<uint16_t>(second));
  TTIFFGraphic graphic;
  Load(graphic, t.File());
  EXPECT_EQ(Grays(graphic), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(TiffFields, AbsentPhotometricIsMinIsWhiteAndAbsentCompressionIsNone) {
  TiffBytes t;
  const uint32_t strip = t.Data({0, 255, 0, 255});
  t.Long(256, 2).Long(257, 2).Short(258, 8).Long(273, strip);
  TTIFFGraphic graphic;
  Load(graphic, t.File());
  EXPECT_EQ(Grays(graphic), (Bytes{255, 0, 255, 0}));
  EXPECT_EQ(graphic.Properties().Compression, ctNone);
  EXPECT_TRUE(graphic.Properties().Flags & MinIsWhite);
}

TEST(TiffFields, ResolutionInCentimetresBecomesPixelsPerInch) {
  const std::string file = GrayFile({.more =
                                         [](TiffBytes& t) {
                                           t.Entry(282, 5, 1, t.Longs({72, 1}));
                                           t.Entry(283, 5, 1, t.Longs({72, 0}));
                                           t.Short(296, 3);
                                         }},
                                    kEight);
  TTIFFGraphic graphic;
  Load(graphic, file);
  EXPECT_FLOAT_EQ(graphic.Properties().XResolution, 182.88f);
  EXPECT_EQ(graphic.Properties().YResolution, 0.0f);  // zero denominator
}

TEST(TiffFields, ExtraSamplesUpToTwoCountAsAlpha) {
  for (auto [value, alpha] : {std::pair{0, true}, {2, true}, {3, false}}) {
    const std::string file =
        GrayFile({.width = 2,
                  .samples = 2,
                  .more = [v = value](TiffBytes& t) { t.Short(338, static_cast<uint16_t>(v)); }},
                 kEight);
    TTIFFGraphic graphic;
    Load(graphic, file);
    EXPECT_EQ(graphic.Properties().HasAlphaChannel, alpha) << value;
    // The extra sample is dropped either way.
    EXPECT_EQ(Grays(graphic), (Bytes{0, 20, 40, 60}));
  }
}

// 2-bit pixels live in 4-bit fields as they are: gray levels index the 4-level palette, palette
// indexes the colour map as it is.
TEST(TiffFields, TwoBitSamplesInFourBitPixels) {
  for (uint16_t photometric : {1, 3}) {
    const std::string file =
        GrayFile({.width = 4,
                  .height = 1,
                  .bits = 2,
                  .photometric = photometric,
                  .more =
                      [](TiffBytes& t) {
                        t.Entry(320, 3, 12, t.Words({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
                      }},
                 {0x1B});
    TTIFFGraphic graphic;
    Load(graphic, file);
    ASSERT_EQ(graphic.PixelFormat(), px4Bit);
    const uint8_t* row = graphic.RowAddress(0);
    EXPECT_EQ(row[0], 0x01) << photometric;
    EXPECT_EQ(row[1], 0x23) << photometric;
  }
}

// Indexes of 10 bits have more colours than a palette: each pixel takes its colour from the
// whole map of 3072 values.
TEST(TiffFields, ColorMapOfMoreThan788Values) {
  std::vector<uint16_t> map(3 * 1024);
  for (size_t i = 0; i < 1024; ++i) {
    map[i] = static_cast<uint16_t>(i % 256 * 257);
    map[1024 + i] = static_cast<uint16_t>((255 - i % 256) * 257);
    map[2048 + i] = static_cast<uint16_t>(i / 4 * 257);
  }
  // Indexes 0, 1023, 512 and 5, ten bits each.
  const Bytes indexes = {0x00, 0x3F, 0xF8, 0x00, 0x05};
  const std::string file =
      GrayFile({.width = 4,
                .height = 1,
                .bits = 10,
                .photometric = 3,
                .more = [&map](TiffBytes& t) { t.Entry(320, 3, 3072, t.Words(map)); }},
               indexes);
  TTIFFGraphic graphic;
  Load(graphic, file);
  ASSERT_EQ(graphic.PixelFormat(), px24Bit);
  for (auto [x, index] : {std::pair{0, 0}, {1, 1023}, {2, 512}, {3, 5}}) {
    const uint32_t expected = index % 256 << 16 | (255 - index % 256) << 8 | index / 4;
    EXPECT_EQ(testing::ColorAt(graphic, x, 0), expected) << x;
  }
}

TEST(TiffFields, PropertiesOfALaterImageFollowTheDirectoryChain) {
  std::string file = GrayFile({}, kEight);
  TMemoryStream stream = testing::StreamOf(file);
  TTIFFGraphic graphic;
  EXPECT_TRUE(graphic.ReadProperties(stream, 0));
  EXPECT_EQ(graphic.Properties().Width, 4);
  EXPECT_FALSE(graphic.ReadProperties(stream, 1));
}

struct ContentCase {
  const char* name;
  std::string bytes;
  bool accepted;
};

class ContentTest : public ::testing::TestWithParam<ContentCase> {};

TEST_P(ContentTest, AcceptsOnlyTiffHeadersAndKeepsThePosition) {
  TMemoryStream stream = testing::StreamOf("xx" + GetParam().bytes);
  stream.SetPosition(2);
  EXPECT_EQ(TTIFFGraphic::CanLoadStream(stream), GetParam().accepted);
  EXPECT_EQ(stream.Position(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, ContentTest,
    ::testing::Values(ContentCase{"LittleEndian", std::string("II*\0\x08\0\0\0\0", 9), true},
                      ContentCase{"BigEndian", std::string("MM\0*\0\0\0\x08\0", 9), true},
                      ContentCase{"EightBytesOnly", std::string("II*\0\x08\0\0\0", 8), false},
                      // Taken, so that the load can say why it refuses it.
                      ContentCase{"BigTiff", std::string("II+\0\x08\0\0\0\0", 9), true},
                      ContentCase{"MixedOrderMark", std::string("IM*\0\x08\0\0\0\0", 9), false},
                      ContentCase{"DirectoryPastTheEnd", std::string("II*\0\x09\0\0\0\0", 9),
                                  false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TiffLoad, ClosingNoticeEndsEveryLoad) {
  for (const std::string& file :
       {GrayFile({}, kEight), GrayFile({.compression = 8}, Bytes{1, 2, 3})}) {
    std::vector<std::pair<TProgressStage, std::string>> notices;
    TTIFFGraphic graphic;
    graphic.SetOnProgress(
        [&](TGraphic&, TProgressStage stage, uint8_t, bool, const TRect&,
            const std::string& message) { notices.emplace_back(stage, message); });
    try {
      Load(graphic, file);
    } catch (const EGraphicCompression&) {
    }
    ASSERT_GE(notices.size(), 3u);
    EXPECT_EQ(notices.front(), std::pair(psStarting, std::string("Preparing...")));
    EXPECT_EQ(notices.back().first, psEnding);
  }
}

}  // namespace
}  // namespace quillo
