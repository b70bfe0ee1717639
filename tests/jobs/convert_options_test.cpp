// Conversion with the shell front end's choices, checked with exiftool and libtiff: the metadata
// each target keeps, --upright on all eight orientations, damaged metadata, and --strip.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "imagelib/format_registry.h"
#include "jobs/convert_images.h"
#include "jobs/convert_options.h"
#include "support/exif_test_support.h"
#include "support/exiftool.h"
#include "support/jpeg_test_support.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

using testing::ExiftoolBinary;
using testing::ExiftoolTags;
using testing::LibjpegDecode;
using testing::LibjpegEncode;
using testing::ReadFile;
using testing::Samples;
using testing::TempDir;

const std::vector<std::string> kCarriedTags = {
    "Make",         "Model",       "LensModel",  "DateTimeOriginal", "SubSecTimeOriginal",
    "ExposureTime", "FNumber",     "ISO",        "FocalLength",      "GPSLatitude",
    "GPSLongitude", "Orientation", "XMP:Rating", "XMP:Label",        "IPTC:Keywords",
    "XResolution",  "YResolution"};

// A colour profile larger than one JPEG segment holds, so that it takes two chunks.
std::string Profile() {
  std::string profile(100000, '\0');
  uint32_t noise = 7;
  for (char& c : profile) c = static_cast<char>((noise = noise * 1103515245u + 12345u) >> 24);
  const std::string header = std::string("\x00\x01\x86\xA0nonx\x02\x10\x00\x00mntrRGB XYZ ", 24);
  profile.replace(0, header.size(), header);
  profile.replace(24, 12, std::string(12, '\0'));
  profile.replace(36, 4, "acsp");
  profile.replace(128, 4, std::string(4, '\0'));  // no tags
  return profile;
}

// What exiftool writes into both sources: everything the targets must keep.
std::vector<std::string> SourceTags(const std::string& profile_path) {
  return {"-Make=Quillo Optics",
          "-Model=Bracket 3",
          "-LensModel=50mm F1.8",
          "-DateTimeOriginal=2023:05:06 07:08:09",
          "-SubSecTimeOriginal=123",
          "-ExposureTime=1/250",
          "-FNumber=5.6",
          "-ISO=200",
          "-FocalLength=50",
          "-GPSLatitude=48.8584",
          "-GPSLatitudeRef=N",
          "-GPSLongitude=2.2945",
          "-GPSLongitudeRef=E",
          "-Orientation#=6",
          "-XMP:Rating=4",
          "-XMP:Label=Red",
          "-IPTC:Keywords=alpha",
          "-IPTC:Keywords=beta",
          "-ICC_Profile<=" + profile_path,
          "-XResolution=300",
          "-YResolution=300",
          "-ResolutionUnit=inches"};
}

class ConvertOptions : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::HaveExiftool()) GTEST_SKIP() << "exiftool is not installed";
  }
  // A 64 x 48 photo with everything the targets must keep, as JPEG (with a thumbnail and a JFIF
  // density) or TIFF.
  std::string Source(const std::string& name) {
    const std::string profile = dir_.Write("profile.icc", Profile());
    std::vector<std::string> tags = SourceTags(profile);
    std::string path;
    if (name.ends_with(".jpg")) {
      path = dir_.Write("in/" + name, LibjpegEncode(testing::PhotoSamples(64, 48)));
      thumbnail_ = dir_.Write("thumb.jpg", LibjpegEncode(testing::PhotoSamples(16, 12, 5)));
      tags.insert(tags.end(), {"-ThumbnailImage<=" + thumbnail_, "-JFIF:XResolution=300",
                               "-JFIF:YResolution=300", "-JFIF:ResolutionUnit=inches"});
    } else {
      TBitmap bitmap;
      testing::FillBitmap(bitmap, testing::PhotoSamples(64, 48));
      path = dir_.File("in/" + name);
      SaveBitmapAsImageKind(bitmap, path);
    }
    EXPECT_TRUE(testing::ExiftoolWrite(path, tags));
    return path;
  }

  TempDir dir_;
  std::string thumbnail_;
  const TFormatRegistration formats_;
};

TEST_F(ConvertOptions, EveryTargetKeepsWhatItsSourceSaysAndStripKeepsNothing) {
  dir_.Mkdir("in");
  dir_.Mkdir("out");
  const std::string profile = Profile();
  for (const char* source_name : {"photo.jpg", "photo.tif"}) {
    const std::string source = Source(source_name);
    const std::map<std::string, std::string> expected = ExiftoolTags(source, kCarriedTags);
    ASSERT_EQ(expected.size(), kCarriedTags.size()) << source;
    for (const char* extension : {".jpg", ".tif"}) {
      for (const bool strip : {false, true}) {
        const std::string target = dir_.File(std::string("out/target") + extension);
        SCOPED_TRACE(std::string(source_name) + " into " + extension + (strip ? ", stripped" : ""));
        TConvertOptions options;
        options.keep_metadata = !strip;
        EXPECT_TRUE(ConvertFileWithOptions(source, target, options).empty());
        std::vector<std::string> asked = kCarriedTags;
        asked.insert(asked.end(),
                     {"ExifImageWidth", "ExifImageHeight", "ICC_Profile", "ThumbnailImage"});
        std::map<std::string, std::string> found = ExiftoolTags(target, asked);
        const bool has_thumbnail = !strip && std::string(source_name).ends_with(".jpg") &&
                                   std::string(extension) == ".jpg";
        EXPECT_EQ(found.count("ThumbnailImage"), has_thumbnail ? 1u : 0u);
        if (has_thumbnail) {
          EXPECT_EQ(ExiftoolBinary(target, "ThumbnailImage"), ReadFile(thumbnail_));
        }
        found.erase("ThumbnailImage");
        if (strip) {
          found.erase("XResolution");
          found.erase("YResolution");
          EXPECT_EQ(found, (std::map<std::string, std::string>{}));
          continue;
        }
        EXPECT_TRUE(ExiftoolBinary(target, "ICC_Profile") == profile);
        EXPECT_EQ(found["ExifImageWidth"], "64");
        EXPECT_EQ(found["ExifImageHeight"], "48");
        for (const char* other : {"ExifImageWidth", "ExifImageHeight", "ICC_Profile"}) {
          found.erase(other);
        }
        EXPECT_EQ(found, expected);
      }
    }
  }
}

// The turn whose result the stored picture is: the opposite of the one that sets it upright.
constexpr TPictureTurn kStoredAs[] = {ptNone,      ptFlipHorizontal, ptRotate180,  ptFlipVertical,
                                      ptTranspose, ptRotate270,      ptTransverse, ptRotate90};

// An uncompressed RGB file written by libtiff, with the Orientation tag.
void WriteLibtiff(const std::string& path, const Samples& samples, int orientation) {
  const std::unique_ptr<TIFF, void (*)(TIFF*)> tif(TIFFOpen(path.c_str(), "w"), TIFFClose);
  ASSERT_TRUE(tif);
  TIFFSetField(tif.get(), TIFFTAG_IMAGEWIDTH, samples.width);
  TIFFSetField(tif.get(), TIFFTAG_IMAGELENGTH, samples.height);
  TIFFSetField(tif.get(), TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tif.get(), TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif.get(), TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tif.get(), TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif.get(), TIFFTAG_ORIENTATION, orientation);
  TIFFSetField(tif.get(), TIFFTAG_ROWSPERSTRIP, samples.height);
  for (int y = 0; y < samples.height; ++y) {
    TIFFWriteScanline(tif.get(), const_cast<uint8_t*>(samples.Pixel(0, y)), y, 0);
  }
}

// The rows as libtiff reads them, whatever the Orientation tag says.
Samples ReadLibtiff(const std::string& path) {
  Samples samples;
  const std::unique_ptr<TIFF, void (*)(TIFF*)> tif(TIFFOpen(path.c_str(), "r"), TIFFClose);
  if (!tif) return samples;
  TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &samples.width);
  TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &samples.height);
  samples.data.resize(static_cast<size_t>(samples.width) * samples.height * 3);
  for (int y = 0; y < samples.height; ++y) {
    TIFFReadScanline(tif.get(), samples.data.data() + static_cast<size_t>(y) * samples.width * 3, y,
                     0);
  }
  return samples;
}

TEST_F(ConvertOptions, UprightSetsAllEightOrientationsUprightWithTagOne) {
  const Samples upright = testing::PhotoSamples(64, 48);
  const Samples thumbnail = testing::PhotoSamples(16, 8, 3);
  TConvertOptions options;
  options.upright = true;
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    const Samples stored = testing::TurnSamples(upright, kStoredAs[orientation - 1]);
    const std::string name = std::to_string(orientation);
    const std::string tiff = dir_.File(name + ".tif");
    WriteLibtiff(tiff, stored, orientation);
    const std::string jpeg = dir_.Write(
        name + ".jpg",
        LibjpegEncode(
            stored, {.quality = 100,
                     .markers = {{testing::kApp1,
                                  testing::ExifPayload(orientation, LibjpegEncode(thumbnail))}}}));

    const std::string from_tiff = dir_.File("out" + name + ".tif");
    EXPECT_TRUE(ConvertFileWithOptions(tiff, from_tiff, options).empty());
    const Samples exact = ReadLibtiff(from_tiff);
    EXPECT_EQ(exact.width, 64);
    EXPECT_TRUE(exact.data == upright.data);
    EXPECT_EQ(ExiftoolTags(from_tiff, {"Orientation"})["Orientation"], "1");

    const std::string from_jpeg = dir_.File("out" + name + ".jpg");
    EXPECT_TRUE(ConvertFileWithOptions(jpeg, from_jpeg, options).empty());
    const std::string bytes = ReadFile(from_jpeg);
    const Samples turned = LibjpegDecode(bytes);
    ASSERT_EQ(turned.width, 64);
    EXPECT_GE(testing::Psnr(turned, upright), 30.0);
    EXPECT_EQ(ExiftoolTags(from_jpeg, {"Orientation"})["Orientation"], "1");
    const Samples small = LibjpegDecode(testing::ExifThumbnail(bytes));
    EXPECT_EQ(small.width, orientation >= 5 ? 8 : 16);
  }
}

// A JPEG photo with an EXIF block, a colour profile in two chunks and IPTC records, one of them
// damaged by the row.
struct Damage {
  const char* name;
  const char* part;  // the one left out, as the warning names it
  const char* gone;  // the exiftool tag it takes with it
  const char* kept;  // one it leaves
};

std::string IccChunk(int number, int count, const std::string& data) {
  return std::string("ICC_PROFILE\0", 12) + static_cast<char>(number) + static_cast<char>(count) +
         data;
}

std::string DamagedSource(const std::string& which) {
  std::string exif = testing::ExifPayload(6);
  if (which == "ExifDirectoryPastEnd") {
    // The Exif directory's offset points far past the block.
    EXPECT_TRUE(testing::PatchExifEntry(exif, 8, 0x8769, 0x7FFFFF));
  }
  const std::string profile = Profile();
  std::string first = IccChunk(1, 2, profile.substr(0, 60000));
  std::string second = IccChunk(2, 2, profile.substr(60000));
  if (which == "ProfileChunksNumberedTwice") second[12] = 1;
  // Photoshop's resources, with the IPTC records (keywords "alpha").
  std::string iptc = std::string("\x1C\x02\x19\x00\x05", 5) + "alpha";
  std::string photoshop = std::string("Photoshop 3.0\0", 14) + "8BIM" +
                          std::string("\x04\x04\0\0\0\0\0", 7) + static_cast<char>(iptc.size()) +
                          iptc;
  if (which == "IptcResourceCutShort") photoshop.resize(photoshop.size() - 3);
  return LibjpegEncode(
      testing::PhotoSamples(32, 32),
      {.markers = {{testing::kApp1, exif}, {0xE2, first}, {0xE2, second}, {0xED, photoshop}}});
}

TEST_F(ConvertOptions, DamagedMetadataIsLeftOutWithOneWarningNamingTheFile) {
  const Damage kDamages[] = {
      {"ExifDirectoryPastEnd", "EXIF block", "Make", "Keywords"},
      {"ProfileChunksNumberedTwice", "colour profile", "ICC_Profile", "Make"},
      {"IptcResourceCutShort", "IPTC block", "Keywords", "Make"},
  };
  for (const Damage& damage : kDamages) {
    const std::string source =
        dir_.Write(std::string(damage.name) + ".jpg", DamagedSource(damage.name));
    for (const char* extension : {".jpg", ".tif"}) {
      SCOPED_TRACE(std::string(damage.name) + " into " + extension);
      const std::string target = dir_.File(std::string("out") + extension);
      const std::vector<std::string> warnings =
          ConvertFileWithOptions(source, target, TConvertOptions{});
      ASSERT_EQ(warnings.size(), 1u);
      EXPECT_EQ(warnings[0].rfind(source + ": metadata left out: damaged " + damage.part, 0), 0u)
          << warnings[0];
      const std::string gone = damage.gone;
      const auto found = ExiftoolTags(target, {gone, damage.kept, "ImageWidth"});
      EXPECT_EQ(found.count(gone), 0u);
      EXPECT_EQ(found.count(damage.kept), 1u);
      EXPECT_EQ(found.at("ImageWidth"), "32");
    }
  }
}

TEST_F(ConvertOptions, OrientationNoTiffReaderKnowsStaysOutOfTiffTargets) {
  const std::string source =
      dir_.Write("a.jpg", LibjpegEncode(testing::PhotoSamples(16, 16),
                                        {.markers = {{testing::kApp1, testing::ExifPayload(9)}}}));
  const std::string target = dir_.File("a.tif");
  EXPECT_TRUE(ConvertFileWithOptions(source, target, TConvertOptions{}).empty());
  EXPECT_EQ(ReadLibtiff(target).width, 16);
  const auto found = ExiftoolTags(target, {"Orientation", "Make"});
  EXPECT_EQ(found.count("Orientation"), 0u);
  EXPECT_EQ(found.count("Make"), 1u);
}

TEST_F(ConvertOptions, StripWritesWhatTheConversionTabWrites) {
  dir_.Mkdir("in");
  const std::string jpeg = Source("photo.jpg");
  const std::string tiff = Source("photo.tif");
  TConvertOptions options;
  options.keep_metadata = false;
  for (const auto& [source, target] : {std::pair{jpeg, "a.tif"}, std::pair{jpeg, "a.bmp"},
                                       std::pair{tiff, "b.jpg"}, std::pair{tiff, "b.bmp"}}) {
    SCOPED_TRACE(target);
    TBitmap bitmap;
    LoadImageToBitmap(bitmap, source);
    SaveBitmapAsImageKind(bitmap, dir_.File(std::string("tab-") + target));
    EXPECT_TRUE(ConvertFileWithOptions(source, dir_.File(target), options).empty());
    EXPECT_TRUE(ReadFile(dir_.File(target)) == ReadFile(dir_.File(std::string("tab-") + target)));
  }
}

TEST_F(ConvertOptions, ResolutionComesFromTheSourceElseStaysTheFixedOne) {
  struct Row {
    const char* name;
    std::vector<std::string> source_tags;
    const char* target;
    std::map<std::string, std::string> expected;
  };
  const Row kRows[] = {
      {"JfifDotsPerCentimetre",
       {"-JFIF:XResolution=40", "-JFIF:YResolution=50", "-JFIF:ResolutionUnit=cm"},
       "a.tif",
       {{"XResolution", "40"}, {"YResolution", "50"}, {"ResolutionUnit", "3"}}},
      {"JfifAspectOnly",
       {"-JFIF:XResolution=2", "-JFIF:YResolution=1", "-JFIF:ResolutionUnit=None"},
       "b.tif",
       {{"XResolution", "87.7"}, {"YResolution", "87.7"}, {"ResolutionUnit", "2"}}},
  };
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    const std::string source =
        dir_.Write(std::string(row.name) + ".jpg", LibjpegEncode(testing::PhotoSamples(16, 16)));
    ASSERT_TRUE(testing::ExiftoolWrite(source, row.source_tags));
    const std::string target = dir_.File(row.target);
    EXPECT_TRUE(ConvertFileWithOptions(source, target, TConvertOptions{}).empty());
    EXPECT_EQ(ExiftoolTags(target, {"XResolution", "YResolution", "ResolutionUnit"}), row.expected);
  }
  // A TIFF source's resolution becomes a JPEG target's density.
  TBitmap bitmap;
  testing::FillBitmap(bitmap, testing::PhotoSamples(16, 16));
  const std::string tiff = dir_.File("c.tif");
  SaveBitmapAsImageKind(bitmap, tiff);
  ASSERT_TRUE(testing::ExiftoolWrite(tiff, {"-XResolution=240", "-YResolution=240"}));
  EXPECT_TRUE(ConvertFileWithOptions(tiff, dir_.File("c.jpg"), TConvertOptions{}).empty());
  EXPECT_EQ(ExiftoolTags(dir_.File("c.jpg"), {"JFIF:XResolution", "JFIF:ResolutionUnit"}),
            (std::map<std::string, std::string>{{"XResolution", "240"}, {"ResolutionUnit", "1"}}));
}

}  // namespace
}  // namespace quillo
