// The JPEG adapter, checked against libjpeg-turbo's own encoder and decoder called directly.
#include "image/jpeg_image.h"

#include <gtest/gtest.h>
#include <jerror.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "image/jpeg_glue.h"
#include "image/pixel_buffer.h"
#include "platform/errors.h"
#include "platform/message_box.h"
#include "platform/stream.h"
#include "support/bmp_test_support.h"
#include "support/jpeg_test_support.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

using testing::DecodeSettings;
using testing::EncodeSettings;
using testing::LibjpegDecode;
using testing::LibjpegEncode;
using testing::PhotoSamples;
using testing::RgbSamples;
using testing::Samples;

void Load(TJPEGImage& jpeg, const std::string& bytes) {
  TMemoryStream in = testing::StreamOf(bytes);
  jpeg.LoadFromStream(in);
}

std::string Saved(TJPEGImage& jpeg) {
  TMemoryStream out;
  jpeg.SaveToStream(out);
  return testing::BytesOf(out);
}

// An adapter holding a bitmap of the samples, nothing encoded yet.
void HandOver(TJPEGImage& jpeg, const Samples& rgb) {
  TBitmap bitmap;
  testing::FillBitmap(bitmap, rgb);
  jpeg.AssignFrom(&bitmap);
}

template <class E>
void ExpectError(const std::function<void()>& action, const std::string& message) {
  try {
    action();
    ADD_FAILURE() << "no error, expected: " << message;
  } catch (const E& e) {
    EXPECT_EQ(e.Message(), message);
  }
}

void ExpectSamePixels(const Samples& ours, const Samples& theirs) {
  ASSERT_EQ(ours.width, theirs.width);
  ASSERT_EQ(ours.height, theirs.height);
  ASSERT_EQ(ours.components, theirs.components);
  EXPECT_TRUE(ours.data == theirs.data);
}

// The index bytes of an 8-bit bitmap, one sample per pixel.
Samples Indices(TBitmap& bitmap) {
  Samples s{bitmap.Width(), bitmap.Height(), 1, {}};
  for (int32_t y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* row = bitmap.RowAddress(y);
    s.data.insert(s.data.end(), row, row + bitmap.Width());
  }
  return s;
}

struct EncodeCase {
  const char* name;
  int width;
  int height;
  int quality;
  bool progressive;
  bool greyscale;
};

class Encoding : public ::testing::TestWithParam<EncodeCase> {};

// The library is fed red, green, blue by the test and blue, green, red by the adapter, so equal
// bytes mean equal pixels and equal parameters.
TEST_P(Encoding, GivesExactlyTheBytesOfTheLibrarysOwnEncoder) {
  const EncodeCase& c = GetParam();
  const Samples rgb = PhotoSamples(c.width, c.height);
  TJPEGImage jpeg;
  HandOver(jpeg, rgb);
  jpeg.Options().JpegQuality = c.quality;
  jpeg.Options().JpegProgressiveEncoding = c.progressive;
  jpeg.Options().JpegGrayscale = c.greyscale;
  const std::string ours = Saved(jpeg);
  const std::string theirs = LibjpegEncode(
      rgb, {c.quality, c.progressive, JCS_RGB, c.greyscale ? JCS_GRAYSCALE : JCS_UNKNOWN});
  EXPECT_TRUE(ours == theirs) << ours.size() << " vs " << theirs.size();
  EXPECT_EQ(jpeg.Grayscale(), c.greyscale);
  EXPECT_EQ(jpeg.Data().width, c.width);
}

INSTANTIATE_TEST_SUITE_P(Jpeg, Encoding,
                         ::testing::Values(EncodeCase{"Quality90", 37, 23, 90, false, false},
                                           EncodeCase{"Quality100", 37, 23, 100, false, false},
                                           EncodeCase{"Progressive", 37, 23, 90, true, false},
                                           EncodeCase{"Greyscale", 37, 23, 90, false, true},
                                           EncodeCase{"OneRow", 41, 1, 90, false, false},
                                           EncodeCase{"ManyRows", 19, 70, 90, false, false}),
                         [](const auto& info) { return info.param.name; });

TEST(Jpeg, EveryBitmapFormatIsEncodedByItsColoursNotItsBytes) {
  for (TPixelFormat format : {px1Bit, px4Bit, px8Bit, px15Bit, px16Bit, px32Bit, pxDevice}) {
    TBitmap bitmap;
    testing::FillBitmap(bitmap, PhotoSamples(29, 17));
    bitmap.SetPixelFormat(format);
    if (format == px32Bit) {
      for (int32_t y = 0; y < 17; ++y) bitmap.RowAddress(y)[4 * 5 + 3] = 0xA5;
    }
    // Read through a sharer, so that the row access leaves this bitmap's store as it is.
    TBitmap probe;
    probe.AssignFrom(&bitmap);
    const std::string expected = LibjpegEncode(RgbSamples(probe));
    TJPEGImage jpeg;
    jpeg.AssignFrom(&bitmap);
    // Rows are converted one at a time: no 24-bit copy of the picture is made.
    const uint64_t allocations = TPixelBuffer::Allocations();
    EXPECT_TRUE(Saved(jpeg) == expected) << "format " << int{format};
    EXPECT_EQ(TPixelBuffer::Allocations(), allocations);
    EXPECT_EQ(bitmap.PixelFormat(), format);
  }
}

TEST(Jpeg, LoadThenSaveWritesTheLoadedBytesUnchanged) {
  // Bytes after the end-of-image marker too: nothing is encoded again.
  const std::string file = LibjpegEncode(PhotoSamples(40, 30)) + "trailing";
  TJPEGImage jpeg;
  Load(jpeg, file);
  EXPECT_TRUE(Saved(jpeg) == file);
  jpeg.DecodeToBitmap();
  EXPECT_TRUE(Saved(jpeg) == file);

  const testing::TempDir dir;
  TJPEGImage from_file;
  from_file.LoadFile(dir.Write("in.jpg", file));
  from_file.SaveFile(dir.File("out.jpg"));
  EXPECT_TRUE(testing::ReadFile(dir.File("out.jpg")) == file);
}

TEST(Jpeg, ProgressiveEncodingFollowsTheLoadedFileIntoTheNextEncoding) {
  for (bool progressive : {false, true}) {
    const std::string file = LibjpegEncode(PhotoSamples(33, 20), {.progressive = progressive});
    TJPEGImage jpeg;
    Load(jpeg, file);
    EXPECT_EQ(jpeg.Options().JpegProgressiveEncoding, progressive);
    TBitmap bitmap;
    bitmap.AssignFrom(&jpeg);
    jpeg.AssignFrom(&bitmap);
    EXPECT_FALSE(jpeg.Data().HasBytes());
    const std::string saved = Saved(jpeg);
    EXPECT_EQ(testing::LibjpegHeader(saved).progressive, progressive);
    EXPECT_TRUE(saved == LibjpegEncode(RgbSamples(bitmap), {.progressive = progressive}));
  }
}

TEST(Jpeg, ColourFilesDecodeToTheLibrarysOwnPixels) {
  const std::pair<int, int> sizes[] = {{1, 1}, {7, 1}, {1, 9}, {33, 17}, {64, 48}};
  for (bool progressive : {false, true}) {
    for (const auto& [w, h] : sizes) {
      SCOPED_TRACE(::testing::Message() << w << "x" << h << (progressive ? " progressive" : ""));
      const std::string file = LibjpegEncode(PhotoSamples(w, h), {.progressive = progressive});
      TJPEGImage jpeg;
      Load(jpeg, file);
      EXPECT_EQ(jpeg.Width(), w);
      EXPECT_EQ(jpeg.Height(), h);
      TBitmap& bitmap = jpeg.DecodeToBitmap();
      EXPECT_EQ(bitmap.PixelFormat(), px24Bit);
      ExpectSamePixels(RgbSamples(bitmap), LibjpegDecode(file));
      EXPECT_EQ(jpeg.Palette(), nullptr);
    }
  }
}

void ExpectGreyRamp(TBitmap& bitmap) {
  ASSERT_EQ(bitmap.PixelFormat(), px8Bit);
  const TPaletteRef palette = bitmap.Palette();
  ASSERT_EQ(palette->entries.size(), 256u);
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<uint8_t>(i);
    EXPECT_EQ(palette->entries[i], (TPaletteEntry{v, v, v})) << i;
  }
}

TEST(Jpeg, GreyscaleFilesDecodeToTheirExactGreyLevels) {
  const std::string file = LibjpegEncode(PhotoSamples(45, 31), {.jpeg = JCS_GRAYSCALE});
  TJPEGImage jpeg;
  Load(jpeg, file);
  EXPECT_TRUE(jpeg.Grayscale());
  TBitmap& bitmap = jpeg.DecodeToBitmap();
  ExpectGreyRamp(bitmap);
  ExpectSamePixels(Indices(bitmap), LibjpegDecode(file, {.output = JCS_GRAYSCALE}));

  // Handed back and saved, the picture is encoded in colour: loading never turns greyscale on.
  TBitmap copy;
  copy.AssignFrom(&jpeg);
  jpeg.AssignFrom(&copy);
  EXPECT_EQ(testing::LibjpegHeader(Saved(jpeg)).components, 3);
}

TEST(Jpeg, GreyscaleOptionDecodesColourFilesToGreyLevels) {
  const std::string file = LibjpegEncode(PhotoSamples(45, 31));
  TJPEGImage jpeg;
  jpeg.Options().JpegGrayscale = true;
  Load(jpeg, file);
  EXPECT_FALSE(jpeg.Grayscale());
  TBitmap& bitmap = jpeg.DecodeToBitmap();
  ExpectGreyRamp(bitmap);
  ExpectSamePixels(Indices(bitmap), LibjpegDecode(file, {.output = JCS_GRAYSCALE}));
}

struct InkCase {
  const char* name;
  J_COLOR_SPACE space;
  bool adobe;  // Adobe's files hold the inks inverted
};

TEST(Jpeg, FourComponentFilesDecodeToTheColoursOfTheirInks) {
  const InkCase cases[] = {
      {"AdobeCmyk", JCS_CMYK, true}, {"PlainCmyk", JCS_CMYK, false}, {"AdobeYcck", JCS_YCCK, true}};
  // Quadrants of cyan, magenta, yellow and black ink, and the colours they print.
  const uint8_t inks[4][4] = {{255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}, {0, 0, 0, 255}};
  const uint32_t colours[4] = {0x00FFFF, 0xFF00FF, 0xFFFF00, 0x000000};
  for (const InkCase& c : cases) {
    SCOPED_TRACE(c.name);
    Samples cmyk{32, 32, 4, std::vector<uint8_t>(32 * 32 * 4)};
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 32; ++x) {
        const uint8_t* ink = inks[(y / 16) * 2 + x / 16];
        for (int i = 0; i < 4; ++i) {
          cmyk.data[(y * 32 + x) * 4 + i] = c.adobe ? uint8_t(255 - ink[i]) : ink[i];
        }
      }
    }
    const std::string file = LibjpegEncode(
        cmyk, {.quality = 100, .input = JCS_CMYK, .jpeg = c.space, .adobe_marker = c.adobe});
    ASSERT_EQ(testing::LibjpegHeader(file).color_space, c.space);
    TJPEGImage jpeg;
    Load(jpeg, file);
    TBitmap& bitmap = jpeg.DecodeToBitmap();
    ASSERT_EQ(bitmap.PixelFormat(), px24Bit);
    for (int q = 0; q < 4; ++q) {
      const uint32_t got = testing::ColorAt(bitmap, (q % 2) * 16 + 8, (q / 2) * 16 + 8);
      for (int shift : {16, 8, 0}) {
        EXPECT_NEAR(int(got >> shift & 0xFF), int(colours[q] >> shift & 0xFF), 3)
            << "quadrant " << q << " shift " << shift;
      }
    }
  }
}

TEST(Jpeg, EmptyInputLoadsButNeitherDecodesNorSaves) {
  TJPEGImage jpeg;
  Load(jpeg, "");
  EXPECT_EQ(jpeg.Width(), 0);
  EXPECT_EQ(jpeg.Height(), 0);
  EXPECT_TRUE(jpeg.Empty());
  ExpectError<EJPEG>([&] { jpeg.DecodeToBitmap(); }, "JPEG エラー #42");
  EXPECT_EQ(JpegErrorMessage(JERR_INPUT_EMPTY), "JPEG エラー #42");
  TMemoryStream out;
  ExpectError<EJPEG>([&] { jpeg.SaveToStream(out); }, JpegErrorMessage(JERR_EMPTY_IMAGE));
  EXPECT_EQ(out.Size(), 0);
}

TEST(Jpeg, CutOffFileDecodesWithWhatIsThere) {
  for (bool progressive : {false, true}) {
    const std::string file = LibjpegEncode(PhotoSamples(64, 64), {.progressive = progressive});
    const std::string cut = file.substr(0, file.size() / 2);
    TJPEGImage jpeg;
    Load(jpeg, cut);
    TBitmap& bitmap = jpeg.DecodeToBitmap();
    ASSERT_EQ(bitmap.Width(), 64);
    ASSERT_EQ(bitmap.Height(), 64);
    ExpectSamePixels(RgbSamples(bitmap), LibjpegDecode(cut));
    if (!progressive) {
      // The rows before the cut are the full file's.
      const Samples whole = LibjpegDecode(file);
      const Samples ours = RgbSamples(bitmap);
      EXPECT_TRUE(
          std::equal(ours.data.begin(), ours.data.begin() + 8 * 64 * 3, whole.data.begin()));
    }
  }
}

// A stream that promises more bytes than it delivers.
class ShortStream : public TStream {
 public:
  explicit ShortStream(std::string bytes) : bytes_(std::move(bytes)) {}
  int64_t Read(void* buffer, int64_t count) override {
    const int64_t n = std::min<int64_t>(count, static_cast<int64_t>(bytes_.size()) - position_);
    std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
  }
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    position_ = (origin == soBeginning ? 0 : origin == soCurrent ? position_ : Size()) + offset;
    return position_;
  }
  int64_t Size() override { return static_cast<int64_t>(bytes_.size()) + 100; }

 private:
  std::string bytes_;
  int64_t position_ = 0;
};

TEST(Jpeg, StreamEndingBeforeItsSizeFailsWithTheReadErrorAndKeepsTheOldStore) {
  const std::string file = LibjpegEncode(PhotoSamples(20, 10));
  TJPEGImage jpeg;
  Load(jpeg, file);
  ShortStream short_stream(file);
  ExpectError<EReadError>([&] { jpeg.LoadFromStream(short_stream); }, kReadErrorMessage);
  EXPECT_TRUE(Saved(jpeg) == file);
}

TEST(Jpeg, BytesThatAreNoJpegFailAtLoadWithTheLibrarysCode) {
  TJPEGImage jpeg;
  ExpectError<EJPEG>([&] { Load(jpeg, "BM not a JPEG at all"); }, JpegErrorMessage(JERR_NO_SOI));
}

// Height and width of the first baseline frame header.
std::string WithClaimedSize(std::string file, uint16_t width, uint16_t height) {
  const size_t sof = file.find("\xFF\xC0");
  file[sof + 5] = static_cast<char>(height >> 8);
  file[sof + 6] = static_cast<char>(height);
  file[sof + 7] = static_cast<char>(width >> 8);
  file[sof + 8] = static_cast<char>(width);
  return file;
}

TEST(Jpeg, ClaimOfMorePixelsThanTheLimitIsRefusedBeforeAnythingIsAllocated) {
  const std::string file = WithClaimedSize(LibjpegEncode(PhotoSamples(16, 16)), 20000, 20000);
  TJPEGImage jpeg;
  Load(jpeg, file);
  EXPECT_EQ(jpeg.Width(), 20000);
  const uint64_t allocations = TPixelBuffer::Allocations();
  for (int attempt = 0; attempt < 2; ++attempt) {
    ExpectError<EJPEG>([&] { jpeg.DecodeToBitmap(); }, JpegErrorMessage(JERR_IMAGE_TOO_BIG));
  }
  EXPECT_EQ(TPixelBuffer::Allocations(), allocations);

  // The check is on the decoded size: an eighth of it fits.
  TJPEGImage scaled;
  scaled.Options().JpegScale = 3;
  Load(scaled, file);
  EXPECT_EQ(scaled.Width(), 2500);
  EXPECT_EQ(scaled.DecodeToBitmap().Height(), 2500);
}

struct OptionCase {
  const char* name;
  std::function<void(TJpegOptions&)> set;
  DecodeSettings library;
};

// A progressive file cut after its first scans: its blocks lack coefficients, so block smoothing
// shows.
std::string PartlyProgressive() {
  const std::string file = LibjpegEncode(PhotoSamples(80, 56, 7), {.progressive = true});
  return file.substr(0, file.size() * 2 / 5);
}

TEST(Jpeg, OptionsReachTheDecoder) {
  const OptionCase cases[] = {
      {"Defaults", [](TJpegOptions&) {}, {}},
      {"Half", [](TJpegOptions& o) { o.JpegScale = 1; }, {.scale_denom = 2}},
      {"Quarter", [](TJpegOptions& o) { o.JpegScale = 2; }, {.scale_denom = 4}},
      {"Eighth", [](TJpegOptions& o) { o.JpegScale = 3; }, {.scale_denom = 8}},
      {"BestSpeed", [](TJpegOptions& o) { o.JpegPerformance = jpsBestSpeed; }, {.dct = JDCT_IFAST}},
      {"NoSmoothing", [](TJpegOptions& o) { o.JpegSmoothing = false; }, {.block_smoothing = false}},
      {"ProgressiveDisplay", [](TJpegOptions& o) { o.JpegProgressiveDisplay = true; }, {}},
      {"ProgressiveDisplayBestSpeed",
       [](TJpegOptions& o) {
         o.JpegProgressiveDisplay = true;
         o.JpegPerformance = jpsBestSpeed;
       },
       {.dct = JDCT_IFAST}},
  };
  const std::string file = PartlyProgressive();
  ASSERT_FALSE(LibjpegDecode(file).data == LibjpegDecode(file, {.block_smoothing = false}).data);
  for (const OptionCase& c : cases) {
    SCOPED_TRACE(c.name);
    TJPEGImage jpeg;
    c.set(jpeg.Options());
    Load(jpeg, file);
    const Samples theirs = LibjpegDecode(file, c.library);
    EXPECT_EQ(jpeg.Width(), theirs.width);
    EXPECT_EQ(jpeg.Height(), theirs.height);
    ExpectSamePixels(RgbSamples(jpeg.DecodeToBitmap()), theirs);
  }
}

TEST(Jpeg, EightBitOutputIsTheLibrarysQuantizationOfColourPictures) {
  const std::string file = LibjpegEncode(PhotoSamples(80, 56, 7), {.progressive = true});
  const DecodeSettings two_pass{.colors = 236};
  const DecodeSettings one_pass{
      .dct = JDCT_IFAST, .colors = 236, .two_pass = false, .dither = JDITHER_ORDERED};
  for (TJPEGPerformance performance : {jpsBestQuality, jpsBestSpeed}) {
    // Shown scan by scan, the last pass is made with the same modes as a plain decode.
    for (bool scan_by_scan : {false, true}) {
      SCOPED_TRACE(::testing::Message() << int{performance} << " " << scan_by_scan);
      TJPEGImage jpeg;
      jpeg.Options().JpegPixelFormat = jpf8Bit;
      jpeg.Options().JpegPerformance = performance;
      jpeg.Options().JpegProgressiveDisplay = scan_by_scan;
      Load(jpeg, file);
      TBitmap& bitmap = jpeg.DecodeToBitmap();
      ASSERT_EQ(bitmap.PixelFormat(), px8Bit);
      EXPECT_LE(bitmap.Palette()->entries.size(), 236u);
      EXPECT_EQ(jpeg.Palette(), bitmap.Palette());
      ExpectSamePixels(RgbSamples(bitmap),
                       LibjpegDecode(file, performance == jpsBestSpeed ? one_pass : two_pass));
    }
  }
}

TEST(Jpeg, PaletteSetOnTheAdapterIsQuantizedToAt8BitsAndDroppedAt24) {
  const TPaletteRef palette = MakePalette(
      {{0, 0, 0}, {255, 255, 255}, {200, 60, 40}, {40, 160, 90}, {50, 80, 200}, {128, 128, 128}});
  const std::string file = LibjpegEncode(PhotoSamples(40, 30));
  TJPEGImage eight;
  eight.Options().JpegPixelFormat = jpf8Bit;
  eight.SetPalette(palette);
  Load(eight, file);
  TBitmap& indexed = eight.DecodeToBitmap();
  ASSERT_EQ(indexed.PixelFormat(), px8Bit);
  EXPECT_EQ(indexed.Palette()->entries, palette->entries);
  for (uint8_t index : Indices(indexed).data) EXPECT_LT(index, 6);

  TJPEGImage colour;
  colour.SetPalette(palette);
  EXPECT_EQ(colour.Palette(), palette);
  Load(colour, file);
  EXPECT_EQ(colour.DecodeToBitmap().PixelFormat(), px24Bit);
  EXPECT_EQ(colour.Palette(), nullptr);
}

TEST(Jpeg, AssignmentSharesTheStoreAndThePixels) {
  const std::string file = LibjpegEncode(PhotoSamples(20, 10));
  TJPEGImage first;
  Load(first, file);
  TJPEGImage second;
  second.AssignFrom(&first);
  EXPECT_EQ(&second.Data(), &first.Data());
  EXPECT_TRUE(Saved(second) == file);

  const uint8_t* pixels = first.DecodeToBitmap().Image().pixels.Data();
  TJPEGImage third;
  third.AssignFrom(&first);
  EXPECT_EQ(third.DecodeToBitmap().Image().pixels.Data(), pixels);
  TBitmap bitmap;
  bitmap.AssignFrom(&first);
  EXPECT_EQ(bitmap.Image().pixels.Data(), pixels);

  ExpectError<EConvertError>([&] { first.AssignInto(second); },
                             "TJPEGImage を TJPEGImage に代入することはできません");
  ExpectError<EConvertError>([&] { first.AssignFrom(nullptr); },
                             "nil を TJPEGImage に代入することはできません");
}

TEST(Jpeg, ResizingIsRefused) {
  TJPEGImage jpeg;
  Load(jpeg, LibjpegEncode(PhotoSamples(20, 10)));
  ExpectError<EInvalidGraphicOperation>([&] { jpeg.SetWidth(5); }, kJpegResizeMessage);
  ExpectError<EInvalidGraphicOperation>([&] { jpeg.SetHeight(5); }, kJpegResizeMessage);
  EXPECT_EQ(jpeg.Width(), 20);
  EXPECT_EQ(jpeg.Height(), 10);
}

TEST(Jpeg, AbortFromTheProgressHookKeepsThePartialPictureButNoPartialFile) {
  const auto abort_at_start = [](TGraphic&, TProgressStage stage, uint8_t, bool, const TRect&,
                                 const std::string&) {
    if (stage == psStarting) throw EAbort("stop");
  };
  TJPEGImage decoding;
  Load(decoding, LibjpegEncode(PhotoSamples(20, 10)));
  decoding.SetOnProgress(abort_at_start);
  EXPECT_TRUE(decoding.DecodeToBitmap().Empty());
  EXPECT_TRUE(decoding.DecodeToBitmap().Empty());

  TJPEGImage encoding;
  HandOver(encoding, PhotoSamples(20, 10));
  encoding.SetOnProgress(abort_at_start);
  TMemoryStream out;
  EXPECT_THROW(encoding.SaveToStream(out), EAbort);
  EXPECT_FALSE(encoding.Data().HasBytes());
  EXPECT_EQ(out.Size(), 0);
}

}  // namespace
}  // namespace quillo

namespace quillo {
namespace {

class RecordedBoxes : public MessageBoxSink {
 public:
  void Show(TMessageIcon icon, const std::string& caption, const std::string& text) override {
    shown.push_back({icon, caption + "|" + text});
  }
  std::vector<std::pair<TMessageIcon, std::string>> shown;
};

// libjpeg's warnings about the data become one quiet remark per decoding; the picture loads.
TEST(JpegDataWarnings, DamagedDataIsOneQuietRemarkAndThePictureLoads) {
  const std::string photo = LibjpegEncode(PhotoSamples(320, 240));
  std::string stray_marker = photo;
  stray_marker.insert(photo.size() / 2, "\xFF\xD5");
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::pair<TMessageIcon, std::string>> expected;
  } rows[] = {
      {"Intact", photo, {}},
      {"CutInHalf",
       photo.substr(0, photo.size() / 2),
       {{miQuietWarning, std::string("|") + kJpegEndsEarlyWarning}}},
      {"StrayRestartMarker",
       stray_marker,
       {{miQuietWarning, std::string("|") + kJpegCorruptWarning}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    RecordedBoxes boxes;
    const ScopedMessageBoxSink guard(boxes);
    TJPEGImage jpeg;
    TMemoryStream stream;
    stream.WriteBuffer(row.bytes.data(), static_cast<int64_t>(row.bytes.size()));
    stream.SetPosition(0);
    jpeg.LoadFromStream(stream);
    TBitmap bitmap;
    bitmap.AssignFrom(&jpeg);
    EXPECT_EQ(bitmap.Width(), 320);
    EXPECT_EQ(boxes.shown, row.expected);
  }
}

}  // namespace
}  // namespace quillo
