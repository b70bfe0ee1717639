#include "support/shot_test_support.h"

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <stdexcept>

#include "support/jpeg_test_support.h"
#include "support/program_output.h"

namespace quillo::testing {

std::string ShotExifPayload(const ShotTags& tags) {
  Exiv2::ExifData data;
  data["Exif.Image.Make"] = tags.make;
  data["Exif.Image.Model"] = tags.model;
  if (tags.orientation != 0)
    data["Exif.Image.Orientation"] = static_cast<uint16_t>(tags.orientation);
  if (!tags.date_time_original.empty())
    data["Exif.Photo.DateTimeOriginal"] = tags.date_time_original;
  if (!tags.date_time.empty()) data["Exif.Image.DateTime"] = tags.date_time;
  if (!tags.sub_seconds.empty()) data["Exif.Photo.SubSecTimeOriginal"] = tags.sub_seconds;
  if (!tags.exposure_time.empty()) data["Exif.Photo.ExposureTime"] = tags.exposure_time;
  if (!tags.f_number.empty()) data["Exif.Photo.FNumber"] = tags.f_number;
  if (tags.iso != 0) data["Exif.Photo.ISOSpeedRatings"] = static_cast<uint16_t>(tags.iso);
  if (!tags.focal_length.empty()) data["Exif.Photo.FocalLength"] = tags.focal_length;
  if (tags.gps) {
    data["Exif.GPSInfo.GPSLatitudeRef"] = "N";
    data["Exif.GPSInfo.GPSLatitude"] = "35/1 39/1 2932/100";
  }
  Exiv2::Blob blob;
  Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data);
  return std::string("Exif\0\0", 6) + std::string(blob.begin(), blob.end());
}

std::string SmallIccProfile() {
  std::string profile(132, '\0');
  profile[3] = static_cast<char>(132);
  profile.replace(4, 4, "none");
  profile[8] = 2;
  profile[9] = 0x10;
  profile.replace(12, 4, "mntr");
  profile.replace(16, 4, "RGB ");
  profile.replace(20, 4, "XYZ ");
  profile.replace(36, 4, "acsp");
  return profile;
}

std::string IccPayload(const std::string& profile) {
  return std::string("ICC_PROFILE\0\x01\x01", 14) + profile;
}

std::string ShotJpeg(const ShotTags& tags, int width, int height, double brightness,
                     const std::string& icc) {
  Samples samples = PhotoSamples(width, height);
  for (uint8_t& sample : samples.data)
    sample = static_cast<uint8_t>(std::min(255.0, sample * brightness));
  EncodeSettings settings;
  settings.markers.push_back({0xE1, ShotExifPayload(tags)});
  if (!icc.empty()) settings.markers.push_back({0xE2, IccPayload(icc)});
  return LibjpegEncode(samples, settings);
}

std::vector<std::vector<std::string>> ExiftoolTable(const std::vector<std::string>& files,
                                                    const std::vector<std::string>& tags) {
  std::vector<std::string> args = {"exiftool", "-T", "-n", "-q", "-q"};
  for (const std::string& tag : tags) args.push_back("-" + tag);
  args.insert(args.end(), files.begin(), files.end());
  const ProgramResult result = RunProgram(args);
  std::vector<std::vector<std::string>> rows;
  size_t start = 0;
  while (start < result.out.size()) {
    size_t end = result.out.find('\n', start);
    if (end == std::string::npos) end = result.out.size();
    std::vector<std::string>& row = rows.emplace_back();
    const std::string line = result.out.substr(start, end - start);
    size_t field = 0;
    for (size_t tab; (tab = line.find('\t', field)) != std::string::npos; field = tab + 1)
      row.push_back(line.substr(field, tab - field));
    row.push_back(line.substr(field));
    start = end + 1;
  }
  if (rows.size() != files.size()) throw std::runtime_error("exiftool gave too few rows");
  return rows;
}

}  // namespace quillo::testing
