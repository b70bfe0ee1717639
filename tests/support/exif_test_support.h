// EXIF blocks written and read by exiv2, for files whose metadata our turns must keep.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace quillo::testing {

inline constexpr int kApp1 = 0xE1;

// The payload of an APP1 segment ("Exif\0\0" and a little-endian TIFF structure) with a maker,
// model, date, exposure time and GPS position, an Orientation tag when orientation is not 0, and
// a JPEG thumbnail when one is given.
std::string ExifPayload(int orientation, const std::string& thumbnail = "");

// The EXIF tags of a JPEG file as exiv2 reads them: key to value text.
std::map<std::string, std::string> ExifTags(const std::string& jpeg);
// The JPEG thumbnail of the file's EXIF block; empty when it has none.
std::string ExifThumbnail(const std::string& jpeg);

// Overwrites the 32-bit value field of a tag's entry in the directory at that offset of the TIFF
// structure (after "Exif\0\0"); false when the directory has no such tag. For damage tests.
bool PatchExifEntry(std::string& payload, uint32_t directory, uint16_t tag, uint32_t value);
// The offset of the directory behind the first one (the thumbnail's), 0 when there is none.
uint32_t SecondDirectory(const std::string& payload);

}  // namespace quillo::testing
