#include "image/metadata/exif_record.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/jpeg_test_support.h"
#include "support/program_output.h"
#include "support/scoped_environment.h"
#include "support/shot_test_support.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

namespace fs = std::filesystem;

// The C library's reading of an EXIF time, as seconds since 1970 on the same clock.
std::optional<double> LibcSeconds(const std::string& text) {
  std::tm fields{};
  const char* end = ::strptime(text.c_str(), "%Y:%m:%d %H:%M:%S", &fields);
  if (end == nullptr || *end != '\0' || fields.tm_year + 1900 < 1) return std::nullopt;
  return static_cast<double>(::timegm(&fields));
}

std::optional<double> Number(const std::string& text) {
  if (text == "-" || text.empty()) return std::nullopt;
  return std::stod(text);
}

void ExpectNear(const std::optional<double>& ours, const std::optional<double>& theirs,
                const char* what) {
  ASSERT_EQ(ours.has_value(), theirs.has_value()) << what;
  if (ours) {
    EXPECT_NEAR(*ours, *theirs, std::fabs(*theirs) * 1e-6 + 1e-9) << what;
  }
}

std::optional<double> PositiveNumber(const std::string& text) {
  const std::optional<double> value = Number(text);
  if (!value || !(*value > 0)) return std::nullopt;
  return value;
}

TEST(ExifRecord, AgreesWithExiftoolOnRealCameraFiles) {
  const fs::path corpus = fs::path(QUILLO_CORPUS_DIR) / "real";
  if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
  std::vector<std::string> files;
  for (const char* folder : {"jpeg", "tiff"}) {
    for (const fs::directory_entry& entry : fs::directory_iterator(corpus / folder))
      files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  const std::vector<std::vector<std::string>> table = testing::ExiftoolTable(
      files,
      {"EXIF:DateTimeOriginal", "EXIF:SubSecTimeOriginal", "EXIF:ModifyDate", "EXIF:SubSecTime",
       "EXIF:ExposureTime", "EXIF:FNumber", "EXIF:ISO", "EXIF:ExposureCompensation",
       "EXIF:FocalLength", "EXIF:Make", "EXIF:Model", "ExifIFD:SerialNumber"});
  int with_time = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(files[i]);
    const std::vector<std::string>& row = table[i];
    const TExifRecord record = ReadExifRecord(files[i]);
    if (!record.error.empty()) continue;  // exiv2 takes no picture of this kind
    std::optional<double> time = LibcSeconds(row[0]);
    std::string sub_seconds = row[1];
    TCaptureTimeSource source = ctOriginal;
    if (!time) {
      time = LibcSeconds(row[2]);
      sub_seconds = row[3];
      source = ctDateTime;
    }
    if (time) {
      ++with_time;
      EXPECT_EQ(record.time_source, source);
      if (sub_seconds != "-" && !sub_seconds.empty())
        *time += std::stod("0." + sub_seconds.substr(sub_seconds.find_first_not_of(' ')));
      ExpectNear(record.capture_time, time, "capture time");
    } else {
      EXPECT_EQ(record.time_source, ctFileTime);
    }
    ExpectNear(record.exposure_time, PositiveNumber(row[4]), "exposure time");
    ExpectNear(record.f_number, PositiveNumber(row[5]), "f-number");
    ExpectNear(record.iso, PositiveNumber(row[6]), "ISO");
    ExpectNear(record.exposure_bias, Number(row[7]), "exposure bias");
    ExpectNear(record.focal_length, PositiveNumber(row[8]), "focal length");
    std::string camera;
    for (const size_t field : {9, 10, 11}) {
      if (row[field] == "-" || row[field].empty()) continue;
      camera += (camera.empty() ? "" : " ") + row[field];
    }
    EXPECT_EQ(record.camera, camera);
  }
  EXPECT_GT(with_time, 30);
}

TEST(ExifRecord, ReadsTheFieldsOfMadeFiles) {
  testing::TempDir dir;
  struct Case {
    const char* name;
    std::string path;
    std::optional<std::string> time;  // none: the file's modification time
    double sub_seconds;
    TCaptureTimeSource source;
    bool whole_seconds;
    std::optional<double> exposure;
    bool has_exif;
    bool error;
  };
  const auto shot = [&](const char* name, const testing::ShotTags& tags) {
    return dir.Write(name, testing::ShotJpeg(tags, 64, 48));
  };
  const std::string no_exif =
      dir.Write("plain.jpg", testing::LibjpegEncode(testing::PhotoSamples(64, 48)));
  const std::string not_image = dir.Write("text.jpg", "not a picture at all");
  const Case cases[] = {
      {"SubSeconds",
       shot("a.jpg", {.date_time_original = "2024:05:01 10:00:00",
                      .sub_seconds = "25",
                      .exposure_time = "1/100"}),
       "2024:05:01 10:00:00", 0.25, ctOriginal, false, 0.01, true, false},
      {"WholeSecondClock",
       shot("b.jpg", {.date_time_original = "2024:05:01 10:00:07", .exposure_time = "30/1"}),
       "2024:05:01 10:00:07", 0, ctOriginal, true, 30, true, false},
      {"DateTimeWhenNoOriginal",
       shot("c.jpg", {.date_time = "2023:12:31 23:59:59", .exposure_time = "1/4"}),
       "2023:12:31 23:59:59", 0, ctDateTime, true, 0.25, true, false},
      {"UnsetClockFallsBackToDateTime",
       shot("d.jpg", {.date_time_original = "0000:00:00 00:00:00",
                      .date_time = "2020:02:29 12:00:00",
                      .exposure_time = "1/8"}),
       "2020:02:29 12:00:00", 0, ctDateTime, true, 0.125, true, false},
      {"NoExposureTime", shot("e.jpg", {.date_time_original = "2024:05:01 10:00:00"}),
       "2024:05:01 10:00:00", 0, ctOriginal, true, std::nullopt, true, false},
      {"NoExifBlock", no_exif, std::nullopt, 0, ctFileTime, false, std::nullopt, false, false},
      {"NotAPicture", not_image, std::nullopt, 0, ctFileTime, false, std::nullopt, false, true},
  };
  // A known modification time, read in a known zone.
  const testing::ScopedEnvironment zone("TZ", "UTC");
  ::tzset();
  const timespec times[2] = {{1700000000, 500000000}, {1700000000, 500000000}};
  for (const std::string& path : {no_exif, not_image})
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TExifRecord record = ReadExifRecord(c.path);
    const double expected_time = c.time ? *LibcSeconds(*c.time) + c.sub_seconds : 1700000000.5;
    ASSERT_TRUE(record.capture_time);
    EXPECT_NEAR(*record.capture_time, expected_time, 1e-6);
    EXPECT_EQ(record.time_source, c.source);
    EXPECT_EQ(record.whole_seconds, c.whole_seconds);
    ExpectNear(record.exposure_time, c.exposure, "exposure time");
    EXPECT_EQ(record.has_exif, c.has_exif);
    EXPECT_EQ(!record.error.empty(), c.error) << record.error;
    if (c.has_exif) {
      EXPECT_EQ(record.camera, "Quillo Optics Bracket 3");
      EXPECT_EQ(record.width, 64);
      EXPECT_EQ(record.height, 48);
      ExpectNear(record.f_number, 8, "f-number");
      ExpectNear(record.focal_length, 35, "focal length");
    }
  }
  ::tzset();
}

TEST(ExifRecord, MissingFileHasNoCaptureTime) {
  testing::TempDir dir;
  const TExifRecord record = ReadExifRecord(dir.File("gone.jpg"));
  EXPECT_FALSE(record.capture_time);
  EXPECT_EQ(record.time_source, ctNone);
  EXPECT_FALSE(record.error.empty());
}

TEST(ExifRecord, TiffFileTagsWrittenByExiftool) {
  const fs::path sample = fs::path(QUILLO_CORPUS_DIR) / "real/tiff/etl_ExifTool.tif";
  if (!fs::exists(sample)) GTEST_SKIP() << "no corpus";
  testing::TempDir dir;
  const std::string path = dir.File("shot.tif");
  fs::copy_file(sample, path);
  ASSERT_EQ(testing::RunProgram({"exiftool", "-q", "-overwrite_original",
                                 "-EXIF:DateTimeOriginal=2022:03:04 05:06:07",
                                 "-EXIF:SubSecTimeOriginal=5", "-EXIF:ExposureTime=1/50",
                                 "-EXIF:FNumber=11", "-EXIF:ISO=200", path})
                .status,
            0);
  const TExifRecord record = ReadExifRecord(path);
  EXPECT_TRUE(record.error.empty()) << record.error;
  ExpectNear(record.capture_time, *LibcSeconds("2022:03:04 05:06:07") + 0.5, "capture time");
  ExpectNear(record.exposure_time, 0.02, "exposure time");
  ExpectNear(record.f_number, 11, "f-number");
  ExpectNear(record.iso, 200, "ISO");
  const auto table = testing::ExiftoolTable({path}, {"ImageWidth", "ImageHeight"});
  EXPECT_EQ(std::to_string(record.width), table[0][0]);
  EXPECT_EQ(std::to_string(record.height), table[0][1]);
}

TEST(ExifClockSeconds, AgreesWithTheCLibrary) {
  const char* const valid[] = {"1970:01:01 00:00:00", "2000:02:29 23:59:59", "1999:12:31 12:00:00",
                               "2038:01:19 03:14:08", "2100:03:01 00:00:00", "1901:06:15 08:30:00"};
  for (const char* text : valid) {
    SCOPED_TRACE(text);
    ExpectNear(ExifClockSeconds(text), LibcSeconds(text), "seconds");
  }
  for (const char* text : {"", "    :  :     :  :  ", "0000:00:00 00:00:00", "2024:13:01 00:00:00",
                           "2024:05:01", "2024:05:01 25:00:00", "abcd:ef:gh ij:kl:mn"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(ExifClockSeconds(text));
  }
}

}  // namespace
}  // namespace quillo
