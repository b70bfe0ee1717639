#include "support/shot_test_support.h"

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <stdexcept>
#include <utility>

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

namespace {

void Put32(std::string& bytes, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>((value >> shift) & 0xFF);
}

uint32_t Fixed(double value) { return static_cast<uint32_t>(static_cast<int32_t>(value * 65536)); }

std::string Xyz(double x, double y, double z) {
  std::string tag = "XYZ ";
  Put32(tag, 0);
  for (const double v : {x, y, z}) Put32(tag, Fixed(v));
  return tag;
}

}  // namespace

std::string RgbIccProfile() {
  std::string description = "desc";
  Put32(description, 0);
  Put32(description, 5);
  description += std::string("test\0", 5);
  description += std::string(4 + 4 + 2 + 1 + 67, '\0');
  std::string curve = "curv";
  Put32(curve, 0);
  Put32(curve, 1);
  curve += std::string("\x02\x33\0\0", 4);  // gamma 2.2
  std::string copyright = "text";
  Put32(copyright, 0);
  copyright += std::string("none\0\0\0\0", 8);
  const std::vector<std::pair<const char*, std::string>> tags = {
      {"desc", description},
      {"wtpt", Xyz(0.9642, 1.0, 0.8249)},
      {"rXYZ", Xyz(0.4361, 0.2225, 0.0139)},
      {"gXYZ", Xyz(0.3851, 0.7169, 0.0971)},
      {"bXYZ", Xyz(0.1431, 0.0606, 0.7141)},
      {"rTRC", curve},
      {"gTRC", curve},
      {"bTRC", curve},
      {"cprt", copyright},
  };
  std::string table;
  std::string data;
  const uint32_t data_start = 128 + 4 + 12 * static_cast<uint32_t>(tags.size());
  for (const auto& [signature, bytes] : tags) {
    table += signature;
    Put32(table, data_start + static_cast<uint32_t>(data.size()));
    Put32(table, static_cast<uint32_t>(bytes.size()));
    data += bytes;
    data.resize((data.size() + 3) / 4 * 4, '\0');
  }
  std::string header;
  Put32(header, data_start + static_cast<uint32_t>(data.size()));
  header += std::string(4, '\0');
  Put32(header, 0x02100000);
  header += "mntrRGB XYZ ";
  header += std::string(12, '\0');
  header += "acsp";
  header += std::string(24, '\0');
  Put32(header, 0);  // perceptual
  for (const double v : {0.9642, 1.0, 0.8249}) Put32(header, Fixed(v));
  header.resize(128, '\0');
  Put32(header, static_cast<uint32_t>(tags.size()));
  return header + table + data;
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
