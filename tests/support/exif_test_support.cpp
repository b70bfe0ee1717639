#include "support/exif_test_support.h"

#include <exiv2/exiv2.hpp>

namespace quillo::testing {
namespace {

constexpr size_t kSignature = 6;  // "Exif\0\0"

uint32_t Le32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes.at(at + i));
  return value;
}

uint16_t Le16(const std::string& bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes.at(at)) |
                               static_cast<uint8_t>(bytes.at(at + 1)) << 8);
}

std::unique_ptr<Exiv2::Image> Opened(const std::string& jpeg) {
  auto image =
      Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(jpeg.data()), jpeg.size());
  image->readMetadata();
  return image;
}

}  // namespace

std::string ExifPayload(int orientation, const std::string& thumbnail) {
  Exiv2::ExifData data;
  data["Exif.Image.Make"] = "Quillo Optics";
  data["Exif.Image.Model"] = "Bracket 3";
  if (orientation != 0) data["Exif.Image.Orientation"] = static_cast<uint16_t>(orientation);
  data["Exif.Photo.DateTimeOriginal"] = "2021:06:01 12:34:56";
  data["Exif.Photo.ExposureTime"] = Exiv2::URational(1, 250);
  data["Exif.GPSInfo.GPSLatitudeRef"] = "N";
  data["Exif.GPSInfo.GPSLatitude"] = "35/1 39/1 2932/100";
  if (!thumbnail.empty()) {
    Exiv2::ExifThumb(data).setJpegThumbnail(reinterpret_cast<const Exiv2::byte*>(thumbnail.data()),
                                            static_cast<long>(thumbnail.size()));
  }
  Exiv2::Blob blob;
  Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data);
  return std::string("Exif\0\0", kSignature) + std::string(blob.begin(), blob.end());
}

std::map<std::string, std::string> ExifTags(const std::string& jpeg) {
  std::map<std::string, std::string> tags;
  const auto image = Opened(jpeg);
  for (const Exiv2::Exifdatum& datum : image->exifData()) tags[datum.key()] = datum.toString();
  return tags;
}

std::string ExifThumbnail(const std::string& jpeg) {
  const auto image = Opened(jpeg);
  const Exiv2::DataBuf bytes = Exiv2::ExifThumbC(image->exifData()).copy();
  return std::string(reinterpret_cast<const char*>(bytes.pData_), bytes.size_);
}

bool PatchExifEntry(std::string& payload, uint32_t directory, uint16_t tag, uint32_t value) {
  const size_t start = kSignature + directory;
  const uint16_t count = Le16(payload, start);
  for (size_t entry = start + 2; entry < start + 2 + size_t{count} * 12; entry += 12) {
    if (Le16(payload, entry) != tag) continue;
    for (int i = 0; i < 4; ++i) payload.at(entry + 8 + i) = static_cast<char>(value >> (8 * i));
    return true;
  }
  return false;
}

uint32_t SecondDirectory(const std::string& payload) {
  const uint32_t first = Le32(payload, kSignature + 4);
  return Le32(payload, kSignature + first + 2 + size_t{Le16(payload, kSignature + first)} * 12);
}

}  // namespace quillo::testing
