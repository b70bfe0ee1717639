// Lossless turns, checked against libjpeg-turbo's own encoder and decoder, and the EXIF block,
// checked against exiv2.
#include "image/lossless/jpeg_turn.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "support/exif_test_support.h"
#include "support/jpeg_test_support.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

namespace fs = std::filesystem;
using testing::DecodeSettings;
using testing::EncodeSettings;
using testing::LibjpegDecode;
using testing::LibjpegEncode;
using testing::ReadFile;
using testing::Samples;

const char* TurnName(TPictureTurn turn) {
  static const char* const kNames[] = {"None",      "FlipHorizontal", "Rotate180",  "FlipVertical",
                                       "Transpose", "Rotate90",       "Transverse", "Rotate270"};
  return kNames[turn];
}

bool Swaps(TPictureTurn turn) {
  return turn == ptTranspose || turn == ptRotate90 || turn == ptTransverse || turn == ptRotate270;
}

struct SourceCase {
  const char* name;
  EncodeSettings settings;
  J_COLOR_SPACE output;
  int tolerance;  // per sample
};

const SourceCase kSources[] = {
    {"Baseline420", {}, JCS_RGB, 3},
    {"Progressive422", {.progressive = true, .luma_sampling = {2, 1}}, JCS_RGB, 3},
    {"Grey", {.jpeg = JCS_GRAYSCALE}, JCS_GRAYSCALE, 1},
};

class LosslessTurns : public ::testing::TestWithParam<std::tuple<SourceCase, TPictureTurn>> {};

TEST_P(LosslessTurns, DecodeToTheTurnOfTheSourcesPixelsAndKeepTheCoding) {
  const auto& [source, turn] = GetParam();
  const std::string jpeg = LibjpegEncode(testing::PhotoSamples(96, 64), source.settings);
  const TTurnedJpeg turned = TurnJpeg(jpeg, turn);
  EXPECT_FALSE(turned.re_encoded);
  const DecodeSettings decode{.output = source.output};
  const Samples expected = testing::TurnSamples(LibjpegDecode(jpeg, decode), turn);
  const Samples actual = LibjpegDecode(turned.bytes, decode);
  ASSERT_EQ(actual.width, expected.width);
  ASSERT_EQ(actual.height, expected.height);
  EXPECT_LE(testing::MaxDifference(actual, expected), source.tolerance);
  EXPECT_GE(testing::Psnr(actual, expected), 45.0);
  const testing::Header before = testing::LibjpegHeader(jpeg);
  const testing::Header after = testing::LibjpegHeader(turned.bytes);
  EXPECT_EQ(after.progressive, before.progressive);
  ASSERT_EQ(after.sampling.size(), before.sampling.size());
  for (size_t c = 0; c < before.sampling.size(); ++c) {
    const auto [h, v] = before.sampling[c];
    EXPECT_EQ(after.sampling[c], Swaps(turn) ? std::pair(v, h) : std::pair(h, v)) << c;
  }
}

INSTANTIATE_TEST_SUITE_P(
    JpegTurn, LosslessTurns,
    ::testing::Combine(::testing::ValuesIn(kSources),
                       ::testing::Values(ptFlipHorizontal, ptRotate180, ptFlipVertical, ptTranspose,
                                         ptRotate90, ptTransverse, ptRotate270)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) + TurnName(std::get<1>(info.param));
    });

TEST(JpegTurn, EncodingAfreshDoesNotComeThatClose) {
  const std::string jpeg = LibjpegEncode(testing::PhotoSamples(96, 64));
  const Samples expected = testing::TurnSamples(LibjpegDecode(jpeg), ptRotate90);
  const Samples actual = LibjpegDecode(ReEncodeTurned(jpeg, ptRotate90));
  const int most = testing::MaxDifference(actual, expected);
  const double psnr = testing::Psnr(actual, expected);
  EXPECT_FALSE(most <= 3 && psnr >= 45.0) << most << " " << psnr;
}

// The library refuses a lossless turn that would need partial blocks (TJXOPT_PERFECT), so a
// wrong choice here fails the turn instead of passing unseen.
TEST(JpegTurn, PartialBlocksInTheTurnsWayAreEncodedAfreshAndNoPixelIsLost) {
  const struct {
    const char* name;
    int width;
    int height;
    int sampling[2];
    TPictureTurn turn;
    bool re_encoded;
  } rows[] = {
      {"Height40FlipHorizontal", 96, 40, {2, 2}, ptFlipHorizontal, false},
      {"Height40FlipVertical", 96, 40, {2, 2}, ptFlipVertical, true},
      {"Height40Rotate90", 96, 40, {2, 2}, ptRotate90, true},
      {"Height40Rotate270", 96, 40, {2, 2}, ptRotate270, false},
      {"Height40Transpose", 96, 40, {2, 2}, ptTranspose, false},
      {"Width90Rotate90", 90, 64, {2, 2}, ptRotate90, false},
      {"Width90Rotate270", 90, 64, {2, 2}, ptRotate270, true},
      {"Width90Rotate180", 90, 64, {2, 2}, ptRotate180, true},
      {"Width90Transverse", 90, 64, {2, 2}, ptTransverse, true},
      {"Height40In422BlocksRotate90", 96, 40, {2, 1}, ptRotate90, false},
      {"Width90In422BlocksFlipHorizontal", 90, 40, {2, 1}, ptFlipHorizontal, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string jpeg = LibjpegEncode(testing::PhotoSamples(row.width, row.height),
                                           {.luma_sampling = {row.sampling[0], row.sampling[1]}});
    const TTurnedJpeg turned = TurnJpeg(jpeg, row.turn);
    EXPECT_EQ(turned.re_encoded, row.re_encoded);
    const Samples expected = testing::TurnSamples(LibjpegDecode(jpeg), row.turn);
    const Samples actual = LibjpegDecode(turned.bytes);
    ASSERT_EQ(actual.width, expected.width);
    ASSERT_EQ(actual.height, expected.height);
    EXPECT_GE(testing::Psnr(actual, expected), 30.0);
  }
}

// Application and comment segments apart from the ones an encoder writes itself (JFIF, Adobe)
// and the EXIF block, which the turn edits.
std::vector<std::pair<int, std::string>> OtherMarkers(const std::string& jpeg) {
  std::vector<std::pair<int, std::string>> markers = testing::LibjpegHeader(jpeg).markers;
  std::erase_if(markers, [](const auto& marker) {
    const auto& [code, payload] = marker;
    return (code == JPEG_APP0 && payload.starts_with(std::string("JFIF\0", 5))) ||
           (code == JPEG_APP0 + 14 && payload.starts_with("Adobe")) ||
           (code == testing::kApp1 && payload.starts_with(std::string("Exif\0\0", 6)));
  });
  return markers;
}

// An ICC profile segment whose profile states its own size, as exiv2 wants to see.
std::string IccSegment() {
  std::string profile(128, 'p');
  profile.replace(0, 4, std::string("\0\0\0\x80", 4));
  return std::string("ICC_PROFILE\0\x01\x01", 14) + profile;
}

std::string XmpSegment() {
  return std::string("http://ns.adobe.com/xap/1.0/\0", 29) +
         "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x:xmpmeta xmlns:x='adobe:ns:meta/'>"
         "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
         "rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/' dc:format='image/jpeg'/>"
         "</rdf:RDF></x:xmpmeta>  <?xpacket end='w'?>";
}

std::map<std::string, std::string> TagsApartFromTheTurn(const std::string& jpeg) {
  std::map<std::string, std::string> tags = testing::ExifTags(jpeg);
  for (const char* key : {"Exif.Image.Orientation", "Exif.Thumbnail.JPEGInterchangeFormat",
                          "Exif.Thumbnail.JPEGInterchangeFormatLength"}) {
    tags.erase(key);
  }
  return tags;
}

TEST(JpegTurnFile, KeepsEveryMarkerSetsTheOrientationToOneAndTurnsTheThumbnail) {
  const struct {
    const char* name;
    int width;
    int thumbnail_width;
    TFileTurn outcome;
  } rows[] = {
      {"WholeBlocks", 96, 48, ftLossless},
      {"PartialBlocks", 90, 40, ftReEncoded},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TempDir dir;
    const std::string thumbnail = LibjpegEncode(testing::PhotoSamples(row.thumbnail_width, 32, 7));
    const std::string source = dir.Write(
        "in.jpg", LibjpegEncode(testing::PhotoSamples(row.width, 64),
                                {.markers = {{testing::kApp1, testing::ExifPayload(6, thumbnail)},
                                             {JPEG_APP0 + 2, IccSegment()},
                                             {testing::kApp1, XmpSegment()},
                                             {JPEG_COM, "first comment"},
                                             {JPEG_APP0 + 15, "Quillo notes"},
                                             {JPEG_COM, "second comment"}}}));
    const std::string target = dir.File("out.jpg");
    EXPECT_EQ(TurnJpegFile(source, target, ptRotate270).turn, row.outcome);
    const std::string before = ReadFile(source);
    const std::string after = ReadFile(target);
    EXPECT_EQ(OtherMarkers(after), OtherMarkers(before));
    EXPECT_EQ(OtherMarkers(before).size(), 5u);
    EXPECT_EQ(TagsApartFromTheTurn(after), TagsApartFromTheTurn(before));
    EXPECT_EQ(testing::ExifTags(after)["Exif.Image.Orientation"], "1");
    const Samples turned_thumbnail = LibjpegDecode(testing::ExifThumbnail(after));
    const Samples expected = testing::TurnSamples(LibjpegDecode(thumbnail), ptRotate270);
    ASSERT_EQ(turned_thumbnail.width, expected.width);
    ASSERT_EQ(turned_thumbnail.height, expected.height);
    EXPECT_GE(testing::Psnr(turned_thumbnail, expected), 30.0);
  }
}

TEST(JpegTurnFile, UprightFileIsCopiedUnchangedAndNotRewrittenInPlace) {
  testing::TempDir dir;
  for (const int orientation : {0, 1}) {
    const std::string bytes =
        LibjpegEncode(testing::PhotoSamples(90, 40),
                      {.markers = {{testing::kApp1, testing::ExifPayload(orientation)}}});
    const std::string source = dir.Write("in.jpg", bytes);
    EXPECT_EQ(TurnJpegFile(source, dir.File("out.jpg"), std::nullopt).turn, ftUnchanged);
    EXPECT_EQ(ReadFile(dir.File("out.jpg")), bytes);
    const auto written = fs::last_write_time(source);
    fs::last_write_time(source, written - std::chrono::hours(1));
    EXPECT_EQ(TurnJpegFile(source, source, std::nullopt).turn, ftUnchanged);
    EXPECT_EQ(fs::last_write_time(source), written - std::chrono::hours(1));
  }
}

TEST(JpegTurnFile, OrientedCorpusFilesComeOutUprightAndAlike) {
  const fs::path corpus = fs::path(QUILLO_CORPUS_DIR) / "jpeg";
  if (!fs::exists(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
  testing::TempDir dir;
  const Samples upright = LibjpegDecode(ReadFile((corpus / "hopper.jpg").string()));
  std::optional<Samples> first;
  for (int orientation = 2; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    const std::string source =
        (corpus / ("hopper_orientation_" + std::to_string(orientation) + ".jpg")).string();
    const std::string target = dir.File(std::to_string(orientation) + ".jpg");
    EXPECT_EQ(TurnJpegFile(source, target, std::nullopt).turn, ftLossless);
    const std::string bytes = ReadFile(target);
    EXPECT_EQ(testing::ExifTags(bytes)["Exif.Image.Orientation"], "1");
    const Samples turned = LibjpegDecode(bytes);
    EXPECT_GE(testing::Psnr(turned, upright), 30.0);
    if (!first) first = turned;
    EXPECT_GE(testing::Psnr(turned, *first), 30.0);
  }
  // Mirrored, with a colour profile, and 113 pixels wide: encoded afresh, profile kept.
  const std::string portrait = (corpus / "portrait_2.jpg").string();
  EXPECT_EQ(TurnJpegFile(portrait, dir.File("portrait.jpg"), std::nullopt).turn, ftReEncoded);
  const std::string bytes = ReadFile(dir.File("portrait.jpg"));
  EXPECT_EQ(OtherMarkers(bytes), OtherMarkers(ReadFile(portrait)));
  EXPECT_EQ(testing::ExifTags(bytes)["Exif.Image.Orientation"], "1");
  EXPECT_EQ(LibjpegDecode(bytes).width, 113);
}

// With an EXIF block exiv2 cannot read whole, the file is neither turned nor written: turning it
// would keep a stale orientation or drop what exiv2 skipped.
TEST(JpegTurnFile, DamagedExifBlockStopsTheFileWithAnErrorNamingIt) {
  const std::string thumbnail = LibjpegEncode(testing::PhotoSamples(48, 32));
  const std::string good = testing::ExifPayload(6, thumbnail);
  const uint32_t first_directory = 8;
  std::map<std::string, std::string> damaged = {
      {"CutOffInTheFirstDirectory", good.substr(0, 6 + first_directory + 2 + 12 * 2)},
      {"NotATiffStructure", std::string("Exif\0\0", 6) + "no TIFF in here"},
  };
  std::string entry_count = good;
  entry_count.replace(6 + first_directory, 2, "\xff\x7f");
  damaged["EntryCountPastTheEnd"] = entry_count;
  std::string exif_pointer = good;
  ASSERT_TRUE(testing::PatchExifEntry(exif_pointer, first_directory, 0x8769, 0xFFFFFF00));
  damaged["ExifDirectoryPastTheEnd"] = exif_pointer;

  testing::TempDir dir;
  std::map<std::string, std::string> files;
  for (const auto& [name, payload] : damaged) {
    files[name] = dir.Write(name + ".jpg", LibjpegEncode(testing::PhotoSamples(96, 64),
                                                         {.markers = {{testing::kApp1, payload}}}));
  }
  const fs::path corpus = fs::path(QUILLO_CORPUS_DIR) / "jpeg";
  for (const char* name : {"invalid-exif.jpg", "truncated_exif_dpi.jpg"}) {
    if (fs::exists(corpus)) files[name] = (corpus / name).string();
  }
  for (const auto& [name, source] : files) {
    for (const std::optional<TPictureTurn> turn : {std::optional<TPictureTurn>(), {ptRotate90}}) {
      SCOPED_TRACE(name + (turn ? " turned right" : " by its tag"));
      const std::string target = dir.File("out.jpg");
      try {
        TurnJpegFile(source, target, turn);
        ADD_FAILURE() << "turned";
      } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message().rfind(source + ": ", 0), 0u) << e.Message();
        EXPECT_NE(e.Message().find("EXIF"), std::string::npos) << e.Message();
      }
      EXPECT_FALSE(fs::exists(target));
    }
  }
}

// A thumbnail is what its bytes are. One that cannot be turned (a placeholder, bytes that do not
// decode, or tags pointing past the block) is left out, the picture turned all the same, and the
// result says why; one whose directory calls it uncompressed but whose bytes are a JPEG picture
// turns with the picture.
TEST(JpegTurnFile, ThumbnailIsJudgedByItsBytesAndLeftOutWhenItCannotBeTurned) {
  const std::string thumbnail = LibjpegEncode(testing::PhotoSamples(48, 32, 7));
  const std::string good = testing::ExifPayload(6, thumbnail);
  std::string uncompressed = good;
  ASSERT_TRUE(testing::PatchExifEntry(uncompressed, testing::SecondDirectory(good), 0x103, 1));
  std::string length_past_the_end = good;
  ASSERT_TRUE(testing::PatchExifEntry(length_past_the_end, testing::SecondDirectory(good), 0x202,
                                      0x7FFFFFFF));
  const struct {
    const char* name;
    std::string payload;
    std::string dropped;  // the start of the reason; empty when the thumbnail turns
  } rows[] = {
      {"UncompressedByItsTagsJpegByItsBytes", uncompressed, ""},
      {"Placeholder", testing::ExifPayload(6, "<Dummy thumbnail>"),
       "the EXIF thumbnail cannot be turned and is left out: it is not a JPEG picture"},
      {"JpegThatDoesNotDecode", testing::ExifPayload(6, std::string("\xFF\xD8\xFF\xD9", 4)),
       "the EXIF thumbnail cannot be turned and is left out: JPEG transform failed"},
      {"LengthPastTheEnd", length_past_the_end,
       "the EXIF thumbnail cannot be turned and is left out: its bytes lie outside the EXIF "
       "block"},
  };
  testing::TempDir dir;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string source = dir.Write(
        std::string(row.name) + ".jpg",
        LibjpegEncode(testing::PhotoSamples(96, 64), {.markers = {{testing::kApp1, row.payload}}}));
    const std::string target = dir.File(std::string(row.name) + "-out.jpg");
    const TFileTurnResult result = TurnJpegFile(source, target, std::nullopt);
    EXPECT_EQ(result.turn, ftLossless);
    EXPECT_EQ(result.dropped_thumbnail.substr(0, row.dropped.size()), row.dropped);
    EXPECT_EQ(result.dropped_thumbnail.empty(), row.dropped.empty()) << result.dropped_thumbnail;
    const std::string after = ReadFile(target);
    EXPECT_EQ(testing::ExifTags(after)["Exif.Image.Orientation"], "1");
    EXPECT_EQ(testing::ExifTags(after)["Exif.Image.Make"],
              testing::ExifTags(ReadFile(source))["Exif.Image.Make"]);
    EXPECT_EQ(LibjpegDecode(after).width, 64);
    const std::string kept = testing::ExifThumbnail(after);
    if (!row.dropped.empty()) {
      EXPECT_TRUE(kept.empty());
      continue;
    }
    const Samples expected = testing::TurnSamples(LibjpegDecode(thumbnail), ptRotate90);
    const Samples turned = LibjpegDecode(kept);
    ASSERT_EQ(turned.width, expected.width);
    EXPECT_GE(testing::Psnr(turned, expected), 30.0);
  }
}

// The lossless turn's fallback for partial blocks encodes grey pictures as grey.
TEST(JpegTurnFile, GreyPictureInPartialBlocksIsEncodedAfreshAsGrey) {
  testing::TempDir dir;
  const std::string source =
      dir.Write("grey.jpg", LibjpegEncode(testing::PhotoSamples(90, 40), {.jpeg = JCS_GRAYSCALE}));
  EXPECT_EQ(TurnJpegFile(source, dir.File("out.jpg"), ptRotate270).turn, ftReEncoded);
  const std::string bytes = ReadFile(dir.File("out.jpg"));
  EXPECT_EQ(testing::LibjpegHeader(bytes).sampling.size(), 1u);
  const DecodeSettings grey{.output = JCS_GRAYSCALE};
  const Samples expected = testing::TurnSamples(LibjpegDecode(ReadFile(source), grey), ptRotate270);
  const Samples turned = LibjpegDecode(bytes, grey);
  ASSERT_EQ(turned.width, expected.width);
  ASSERT_EQ(turned.height, expected.height);
  EXPECT_GE(testing::Psnr(turned, expected), 30.0);
}

}  // namespace
}  // namespace quillo
