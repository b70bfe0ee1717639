// The segments of a JPEG file's header, found by their markers and lengths, so that one segment
// can be replaced, or carried into another file, while every other byte stays as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillo {

inline constexpr char kJpegSegmentsMessage[] = "JPEG markers before the first scan are damaged";
inline constexpr char kJpegSegmentTooLongMessage[] = "JPEG marker segment longer than 65535 bytes";

struct TJpegSegment {
  uint8_t marker = 0;  // the byte after 0xFF
  size_t offset = 0;   // of the 0xFF
  size_t size = 0;     // marker, length field and payload
  size_t PayloadOffset() const { return offset + 4; }
  size_t PayloadSize() const { return size > 4 ? size - 4 : 0; }
};

// The segments from behind the start-of-image marker up to the first scan or the end of the image.
// Throws EInvalidGraphic (kJpegSegmentsMessage) when the file does not start with the
// start-of-image marker, bytes between segments are no marker, or a segment runs past the end.
std::vector<TJpegSegment> HeaderSegments(std::string_view jpeg);

// The first APP1 segment holding an EXIF block ("Exif\0\0" and a TIFF structure), if any.
std::optional<TJpegSegment> FindExifSegment(std::string_view jpeg,
                                            const std::vector<TJpegSegment>& segments);

// Whether the first frame header found is a progressive one.
bool Progressive(const std::vector<TJpegSegment>& segments);

// The file with the segment's payload replaced; EInvalidGraphic (kJpegSegmentTooLongMessage) when
// the new payload does not fit a segment.
std::string ReplacePayload(std::string_view jpeg, const TJpegSegment& segment,
                           std::string_view payload);

// A freshly encoded file with the source's application and comment segments inserted behind its
// own leading JFIF segment, in the source's order. The source's JFIF and Adobe segments are left
// out: the encoder has written its own, which describe the new data.
std::string WithSegmentsOf(std::string_view encoded, std::string_view source);

}  // namespace quillo
