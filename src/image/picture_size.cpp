#include "image/picture_size.h"

#include <cstdlib>

#include "image/byte_order.h"
#include "platform/errors.h"
#include "platform/file_stream.h"

namespace quillo {
namespace {

// A header with more segments or entries than this is taken as saying nothing.
constexpr int kMaxJpegSegments = 4096;
constexpr uint32_t kMaxTiffEntries = 4096;

constexpr uint16_t kTiffImageWidth = 256;
constexpr uint16_t kTiffImageLength = 257;
constexpr uint16_t kTiffShort = 3;
constexpr uint16_t kTiffLong = 4;

bool ReadAt(TFileStream& file, int64_t position, void* buffer, int64_t count) {
  return file.Seek(position, soBeginning) == position && file.Read(buffer, count) == count;
}

bool IsStartOfFrame(uint8_t marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Walks the segments from the start-of-image marker to the first frame header.
std::optional<TPictureSize> JpegSize(TFileStream& file) {
  int64_t position = 2;
  for (int segment = 0; segment < kMaxJpegSegments; ++segment) {
    uint8_t head[4];
    if (!ReadAt(file, position, head, 2) || head[0] != 0xFF) return std::nullopt;
    const uint8_t marker = head[1];
    // Fill bytes before a marker, and markers that stand alone.
    if (marker == 0xFF || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
      position += marker == 0xFF ? 1 : 2;
      continue;
    }
    if (marker == 0xD9 || marker == 0xDA) return std::nullopt;
    if (!ReadAt(file, position + 2, head + 2, 2)) return std::nullopt;
    const uint16_t length = LoadU16Be(head + 2);
    if (length < 2) return std::nullopt;
    if (IsStartOfFrame(marker)) {
      uint8_t frame[5];
      if (length < 7 || !ReadAt(file, position + 4, frame, sizeof frame)) return std::nullopt;
      return TPictureSize{LoadU16Be(frame + 3), LoadU16Be(frame + 1)};
    }
    position += 2 + length;
  }
  return std::nullopt;
}

// The width and length entries of the first directory.
std::optional<TPictureSize> TiffSize(TFileStream& file, bool big_endian) {
  uint8_t header[8];
  if (!ReadAt(file, 0, header, sizeof header)) return std::nullopt;
  const uint32_t directory = LoadU32(header + 4, big_endian);
  uint8_t count_bytes[2];
  if (!ReadAt(file, directory, count_bytes, 2)) return std::nullopt;
  const uint32_t count = LoadU16(count_bytes, big_endian);
  if (count > kMaxTiffEntries) return std::nullopt;
  TPictureSize size;
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t entry[12];
    if (!ReadAt(file, int64_t{directory} + 2 + int64_t{i} * 12, entry, sizeof entry)) break;
    const uint16_t tag = LoadU16(entry, big_endian);
    const uint16_t type = LoadU16(entry + 2, big_endian);
    if (tag != kTiffImageWidth && tag != kTiffImageLength) continue;
    int64_t value = 0;
    if (type == kTiffShort) value = LoadU16(entry + 8, big_endian);
    if (type == kTiffLong) value = LoadU32(entry + 8, big_endian);
    (tag == kTiffImageWidth ? size.width : size.height) = value;
  }
  if (size.width <= 0 || size.height <= 0) return std::nullopt;
  return size;
}

// The info header's width and height; a height below zero marks rows stored top-down.
std::optional<TPictureSize> BmpSize(TFileStream& file) {
  uint8_t header[26];
  if (!ReadAt(file, 0, header, sizeof header)) return std::nullopt;
  if (LoadU32(header + 14) == 12) return TPictureSize{LoadU16(header + 18), LoadU16(header + 20)};
  const auto width = static_cast<int32_t>(LoadU32(header + 18));
  const auto height = static_cast<int32_t>(LoadU32(header + 22));
  if (width <= 0 || height == 0) return std::nullopt;
  return TPictureSize{width, std::abs(int64_t{height})};
}

}  // namespace

std::optional<TPictureSize> ReadPictureSize(const std::string& path) {
  try {
    TFileStream file(path, fmOpenRead);
    uint8_t magic[4] = {};
    if (file.Read(magic, sizeof magic) < 2) return std::nullopt;
    if (magic[0] == 0xFF && magic[1] == 0xD8) return JpegSize(file);
    if (magic[0] == 'B' && magic[1] == 'M') return BmpSize(file);
    const bool little = magic[0] == 'I' && magic[1] == 'I' && magic[2] == 42 && magic[3] == 0;
    const bool big = magic[0] == 'M' && magic[1] == 'M' && magic[2] == 0 && magic[3] == 42;
    if (little || big) return TiffSize(file, big);
  } catch (const EStreamError&) {
  }
  return std::nullopt;
}

}  // namespace quillo
