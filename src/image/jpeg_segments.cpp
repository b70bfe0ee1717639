#include "image/jpeg_segments.h"

#include "image/byte_reader.h"
#include "platform/errors.h"

namespace quillo {
namespace {

constexpr uint8_t kStartOfImage = 0xD8;
constexpr uint8_t kEndOfImage = 0xD9;
constexpr uint8_t kStartOfScan = 0xDA;
constexpr uint8_t kApp0 = 0xE0;
constexpr uint8_t kApp1 = 0xE1;
constexpr uint8_t kApp14 = 0xEE;
constexpr uint8_t kApp15 = 0xEF;
constexpr uint8_t kComment = 0xFE;
constexpr std::string_view kExifSignature("Exif\0\0", 6);

bool StandsAlone(uint8_t marker) { return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7); }

bool PayloadStartsWith(std::string_view jpeg, const TJpegSegment& segment,
                       std::string_view signature) {
  return segment.PayloadSize() >= signature.size() &&
         jpeg.substr(segment.PayloadOffset(), signature.size()) == signature;
}

// The segments a fresh encoding writes itself, describing its own data.
bool DescribesTheEncoding(std::string_view jpeg, const TJpegSegment& segment) {
  return (segment.marker == kApp0 && PayloadStartsWith(jpeg, segment, {"JFIF\0", 5})) ||
         (segment.marker == kApp14 && PayloadStartsWith(jpeg, segment, "Adobe"));
}

bool IsMetadata(uint8_t marker) {
  return (marker >= kApp0 && marker <= kApp15) || marker == kComment;
}

}  // namespace

std::vector<TJpegSegment> HeaderSegments(std::string_view jpeg) {
  TByteReader reader(reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size(), true);
  const auto check = [](bool sound) {
    if (!sound) throw EInvalidGraphic(kJpegSegmentsMessage);
  };
  std::vector<TJpegSegment> segments;
  try {
    check(reader.U8() == 0xFF && reader.U8() == kStartOfImage);
    while (true) {
      check(reader.U8() == 0xFF);
      uint8_t marker = reader.U8();
      while (marker == 0xFF) marker = reader.U8();  // fill bytes before the marker
      if (marker == kStartOfScan || marker == kEndOfImage) break;
      TJpegSegment segment{marker, static_cast<size_t>(reader.Position()) - 2, 2};
      if (!StandsAlone(marker)) {
        const uint16_t length = reader.U16();
        check(length >= 2);
        reader.Need(length - 2);
        reader.Skip(length - 2);
        segment.size = size_t{length} + 2;
      }
      segments.push_back(segment);
    }
  } catch (const EReadError&) {
    check(false);
  }
  return segments;
}

std::optional<TJpegSegment> FindExifSegment(std::string_view jpeg,
                                            const std::vector<TJpegSegment>& segments) {
  for (const TJpegSegment& segment : segments) {
    if (segment.marker == kApp1 && PayloadStartsWith(jpeg, segment, kExifSignature)) return segment;
  }
  return std::nullopt;
}

bool Progressive(const std::vector<TJpegSegment>& segments) {
  for (const TJpegSegment& segment : segments) {
    const uint8_t marker = segment.marker;
    // Frame headers are 0xC0 to 0xCF but for the Huffman table, arithmetic-coding and JPG markers.
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
      return (marker & 0x03) == 0x02;
  }
  return false;
}

std::string ReplacePayload(std::string_view jpeg, const TJpegSegment& segment,
                           std::string_view payload) {
  if (payload.size() > 0xFFFF - 2) throw EInvalidGraphic(kJpegSegmentTooLongMessage);
  const size_t length = payload.size() + 2;
  std::string out;
  out.reserve(jpeg.size() + payload.size());
  out.append(jpeg.substr(0, segment.offset));
  out += '\xFF';
  out += static_cast<char>(segment.marker);
  out += static_cast<char>(length >> 8);
  out += static_cast<char>(length & 0xFF);
  out.append(payload);
  out.append(jpeg.substr(segment.offset + segment.size));
  return out;
}

std::string WithSegmentsOf(std::string_view encoded, std::string_view source) {
  const std::vector<TJpegSegment> own = HeaderSegments(encoded);
  size_t insert_at = 2;
  if (!own.empty() && DescribesTheEncoding(encoded, own.front()))
    insert_at = own.front().offset + own.front().size;
  std::string out(encoded.substr(0, insert_at));
  for (const TJpegSegment& segment : HeaderSegments(source)) {
    if (IsMetadata(segment.marker) && !DescribesTheEncoding(source, segment))
      out.append(source.substr(segment.offset, segment.size));
  }
  out.append(encoded.substr(insert_at));
  return out;
}

}  // namespace quillo
