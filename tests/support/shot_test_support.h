// Camera-like shots for bracket tests: JPEG files (encoded by libjpeg) whose EXIF block exiv2
// writes, and exiftool's reading of a file's tags as the independent check.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quillo::testing {

struct ShotTags {
  std::string date_time_original = {};  // "2024:05:01 10:00:00"; none when empty
  std::string sub_seconds = {};         // SubSecTimeOriginal
  std::string date_time = {};           // the first directory's DateTime
  std::string exposure_time = {};       // a rational such as "1/100"; none when empty
  std::string f_number = "8/1";
  int iso = 100;
  std::string make = "Quillo Optics";
  std::string model = "Bracket 3";
  std::string focal_length = "35/1";
  int orientation = 0;  // none when 0
  bool gps = true;      // a latitude
};

// The payload of an APP1 segment: "Exif\0\0" and the TIFF structure.
std::string ShotExifPayload(const ShotTags& tags);

// A gamma 2.2 RGB display profile that colour engines accept, and the payload of the APP2
// segment that carries it.
std::string RgbIccProfile();
std::string IccPayload(const std::string& profile);

// A photo-like JPEG with the tags (and the ICC profile when one is given); brightness scales the
// picture, as exposures of one scene differ.
std::string ShotJpeg(const ShotTags& tags, int width, int height, double brightness = 1,
                     const std::string& icc = "");

// exiftool -n's values of the tags (such as "EXIF:ExposureTime") for each file, "-" for a tag
// the file lacks: one row per file, in the order given.
std::vector<std::vector<std::string>> ExiftoolTable(const std::vector<std::string>& files,
                                                    const std::vector<std::string>& tags);

}  // namespace quillo::testing
