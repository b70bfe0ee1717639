// The few facts about a photo that tell which shots belong to one exposure bracket: when it was
// taken, how it was exposed and by which camera, read from its EXIF block with exiv2.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillo {

// Where a capture time came from.
enum TCaptureTimeSource : uint8_t { ctNone, ctOriginal, ctDateTime, ctFileTime };

struct TExifRecord {
  // Seconds since 1970 on the camera's clock as it reads (no time zone), the fraction of a
  // second included when the camera wrote one.
  std::optional<double> capture_time;
  TCaptureTimeSource time_source = ctNone;
  bool whole_seconds = true;            // the clock gave no fraction of a second
  std::optional<double> exposure_time;  // seconds
  std::optional<double> f_number;
  std::optional<double> iso;
  std::optional<double> exposure_bias;  // EV
  std::optional<double> focal_length;   // mm
  std::string camera;                   // make, model and body serial number, blank-separated
  int64_t width = 0;
  int64_t height = 0;
  bool has_exif = false;
  std::string error;  // why the file's metadata could not be read; empty when it could
};

// Reads the record of a JPEG or TIFF file. Never throws: a file exiv2 cannot read gets its error
// text and, when the file exists, its modification time as capture time.
TExifRecord ReadExifRecord(const std::string& path);

// The clock reading of an EXIF time text "YYYY:MM:DD HH:MM:SS" as seconds since 1970-01-01
// 00:00:00 on the same clock; none when the text is no such time (a camera without a set clock
// writes blanks or zeros).
std::optional<double> ExifClockSeconds(const std::string& text);

}  // namespace quillo
