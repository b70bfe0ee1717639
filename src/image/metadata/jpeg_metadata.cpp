#include "image/metadata/jpeg_metadata.h"

#include <cmath>
#include <map>
#include <optional>
#include <tuple>

#include "image/byte_order.h"
#include "image/jpeg_segments.h"
#include "image/metadata/exif_carry.h"
#include "image/metadata/exiv2_guard.h"
#include "image/metadata/photoshop_resources.h"
#include "platform/errors.h"

namespace quillo {
namespace {

constexpr uint8_t kApp0 = 0xE0;
constexpr uint8_t kApp1 = 0xE1;
constexpr uint8_t kApp2 = 0xE2;
constexpr uint8_t kApp13 = 0xED;
constexpr uint8_t kComment = 0xFE;

constexpr std::string_view kJfif("JFIF\0", 5);
constexpr std::string_view kExif("Exif\0\0", 6);
constexpr std::string_view kXmp("http://ns.adobe.com/xap/1.0/\0", 29);
constexpr std::string_view kXmpExtension("http://ns.adobe.com/xmp/extension/\0", 35);
constexpr std::string_view kIcc("ICC_PROFILE\0", 12);
constexpr std::string_view kPhotoshop("Photoshop 3.0\0", 14);

// The largest payload of a segment: its length field counts itself.
constexpr size_t kLongestPayload = 0xFFFF - 2;
// A colour profile chunk's payload: the signature, its number and the number of chunks.
constexpr size_t kIccChunkHeader = kIcc.size() + 2;

constexpr char kIccPart[] = "colour profile";
constexpr char kIptcPart[] = "IPTC block";
constexpr char kMarkersPart[] = "JPEG markers";

enum TKind : uint8_t {
  kOther,
  kExifBlock,
  kXmpPacket,
  kXmpMore,
  kIccChunk,
  kPhotoshopBlock,
  kText
};

struct TFound {
  TKind kind;
  std::string_view payload;  // behind the signature
  std::string_view whole;    // marker to the end
};

TFound Classify(std::string_view jpeg, const TJpegSegment& segment) {
  const std::string_view payload = jpeg.substr(segment.PayloadOffset(), segment.PayloadSize());
  const std::string_view whole = jpeg.substr(segment.offset, segment.size);
  const auto signed_with = [&](uint8_t marker, std::string_view signature) {
    return segment.marker == marker && payload.substr(0, signature.size()) == signature;
  };
  for (const auto& [marker, signature, kind] :
       {std::tuple{kApp1, kExif, kExifBlock}, std::tuple{kApp1, kXmp, kXmpPacket},
        std::tuple{kApp1, kXmpExtension, kXmpMore}, std::tuple{kApp2, kIcc, kIccChunk},
        std::tuple{kApp13, kPhotoshop, kPhotoshopBlock}}) {
    if (signed_with(marker, signature)) return {kind, payload.substr(signature.size()), whole};
  }
  if (segment.marker == kComment) return {kText, payload, whole};
  return {kOther, payload, whole};
}

std::string Damaged(const char* part, const std::string& what) {
  return Format(kMetadataDamagedPattern, {part, what});
}

// The chunks put together by their numbers; none when the numbers do not make one profile.
std::optional<std::string> JoinedProfile(const std::vector<std::string_view>& chunks) {
  std::map<int, std::string_view> numbered;
  for (const std::string_view chunk : chunks) {
    if (chunk.size() < 2) return std::nullopt;
    const int number = static_cast<uint8_t>(chunk[0]);
    const int count = static_cast<uint8_t>(chunk[1]);
    if (count != static_cast<int>(chunks.size()) || number < 1 || number > count) {
      return std::nullopt;
    }
    if (!numbered.emplace(number, chunk.substr(2)).second) return std::nullopt;
  }
  std::string profile;
  for (const auto& [number, data] : numbered) profile.append(data);
  return profile;
}

std::optional<TTiffResolution> JfifResolution(std::string_view payload) {
  if (payload.size() < 7) return std::nullopt;
  const auto* p = reinterpret_cast<const uint8_t*>(payload.data());
  const uint8_t units = p[2];
  const uint16_t x = LoadU16Be(p + 3);
  const uint16_t y = LoadU16Be(p + 5);
  if ((units != 1 && units != 2) || x == 0 || y == 0) return std::nullopt;
  return TTiffResolution{{x, 1}, {y, 1}, static_cast<uint16_t>(units + 1)};
}

// A whole segment; false when the payload does not fit one.
bool AppendSegment(std::string& out, uint8_t marker, std::string_view signature,
                   std::string_view payload) {
  const size_t length = signature.size() + payload.size() + 2;
  if (length > 0xFFFF) return false;
  out += '\xFF';
  out += static_cast<char>(marker);
  out += static_cast<char>(length >> 8);
  out += static_cast<char>(length & 0xFF);
  out.append(signature);
  out.append(payload);
  return true;
}

// The profile in chunks numbered from 1, as large as a segment allows.
std::string IccSegments(std::string_view profile) {
  const size_t room = kLongestPayload - kIccChunkHeader;
  const size_t count = (profile.size() + room - 1) / room;
  if (count > 255) return "";
  std::string out;
  for (size_t i = 0; i < count; ++i) {
    std::string header(kIcc);
    header += static_cast<char>(i + 1);
    header += static_cast<char>(count);
    AppendSegment(out, kApp2, header, profile.substr(i * room, room));
  }
  return out;
}

// The density as the JFIF segment gives it: whole pixels per inch or per centimetre.
void SetDensity(std::string& jpeg, const TJpegSegment& jfif, const TTiffResolution& resolution) {
  if (resolution.unit != 2 && resolution.unit != 3) return;
  const auto whole = [](const std::array<uint32_t, 2>& value) -> long {
    return value[1] == 0 ? 0 : std::lround(static_cast<double>(value[0]) / value[1]);
  };
  const long x = whole(resolution.x);
  const long y = whole(resolution.y);
  if (x < 1 || y < 1 || x > 0xFFFF || y > 0xFFFF || jfif.PayloadSize() < 12) return;
  auto* p = reinterpret_cast<uint8_t*>(jpeg.data() + jfif.PayloadOffset());
  p[7] = static_cast<uint8_t>(resolution.unit - 1);
  StoreU16Be(p + 8, static_cast<uint16_t>(x));
  StoreU16Be(p + 10, static_cast<uint16_t>(y));
}

// The segments made from the parts, for a source that was no JPEG file.
std::string SegmentsOfParts(TPhotoMetadata& metadata) {
  std::string out;
  const auto add = [&](uint8_t marker, std::string_view signature, std::string_view payload,
                       const char* part) {
    if (!payload.empty() && !AppendSegment(out, marker, signature, payload)) {
      metadata.left_out.push_back(std::string(part) + " too large for a JPEG file");
    }
  };
  add(kApp1, kExif, metadata.exif, kExifPart);
  add(kApp1, kXmp, metadata.xmp, "XMP packet");
  if (!metadata.icc.empty()) {
    const std::string chunks = IccSegments(metadata.icc);
    if (chunks.empty()) metadata.left_out.push_back("colour profile too large for a JPEG file");
    out += chunks;
  }
  if (!metadata.iptc.empty()) add(kApp13, kPhotoshop, PhotoshopIptcBlock(metadata.iptc), kIptcPart);
  for (const std::string& comment : metadata.comments) add(kComment, "", comment, "comment");
  return out;
}

}  // namespace

TPhotoMetadata ReadJpegMetadata(std::string_view jpeg) {
  TPhotoMetadata metadata;
  std::vector<TJpegSegment> segments;
  try {
    segments = HeaderSegments(jpeg);
  } catch (const EInvalidGraphic& e) {
    metadata.left_out.push_back(Damaged(kMarkersPart, e.what()));
    return metadata;
  }
  std::vector<TFound> found;
  std::vector<std::string_view> chunks;
  std::string photoshop;
  bool seen_jfif = false;
  for (const TJpegSegment& segment : segments) {
    const TFound each = Classify(jpeg, segment);
    found.push_back(each);
    if (!seen_jfif && segment.marker == kApp0 && each.payload.substr(0, kJfif.size()) == kJfif) {
      seen_jfif = true;
      metadata.resolution = JfifResolution(each.payload.substr(kJfif.size()));
    }
    if (each.kind == kExifBlock && metadata.exif.empty()) metadata.exif = std::string(each.payload);
    if (each.kind == kXmpPacket && metadata.xmp.empty()) metadata.xmp = std::string(each.payload);
    if (each.kind == kIccChunk) chunks.push_back(each.payload);
    if (each.kind == kPhotoshopBlock) photoshop.append(each.payload);
    if (each.kind == kText) metadata.comments.emplace_back(each.payload);
  }

  // A part that cannot be read leaves the target, its segments too.
  bool dropped[kText + 1] = {};
  if (!metadata.exif.empty()) {
    try {
      CheckExifBlock(metadata.exif);
    } catch (const EInvalidGraphic& e) {
      metadata.left_out.push_back(e.what());
      metadata.exif.clear();
      dropped[kExifBlock] = true;
    }
  }
  if (!chunks.empty()) {
    if (const std::optional<std::string> profile = JoinedProfile(chunks)) {
      metadata.icc = *profile;
    } else {
      metadata.left_out.push_back(Damaged(kIccPart, "its chunks are not numbered one by one"));
      dropped[kIccChunk] = true;
    }
  }
  if (!photoshop.empty()) {
    try {
      metadata.iptc = PhotoshopIptc(photoshop);
    } catch (const EInvalidGraphic& e) {
      metadata.left_out.push_back(Damaged(kIptcPart, e.what()));
      dropped[kPhotoshopBlock] = true;
    }
  }

  for (const TFound& each : found) {
    if (each.kind == kOther || dropped[each.kind]) continue;
    if (each.kind == kExifBlock) {
      // The first block is the one readers take; the target gets that one only.
      if (metadata.exif_segment) continue;
      metadata.exif_segment = metadata.jpeg_segments.size();
      metadata.jpeg_segments.emplace_back();
      continue;
    }
    metadata.jpeg_segments.emplace_back(each.whole);
  }
  return metadata;
}

void WriteJpegWithMetadata(TStream& out, std::string_view encoded, TPhotoMetadata& metadata) {
  const std::vector<TJpegSegment> own = HeaderSegments(encoded);
  size_t insert_at = 2;
  std::string head(encoded.substr(0, insert_at));
  if (!own.empty() && own.front().marker == kApp0 &&
      encoded.substr(own.front().PayloadOffset(), kJfif.size()) == kJfif) {
    insert_at = own.front().offset + own.front().size;
    head = encoded.substr(0, insert_at);
    if (metadata.resolution) SetDensity(head, own.front(), *metadata.resolution);
  }
  std::string segments;
  if (metadata.jpeg_segments.empty()) {
    segments = SegmentsOfParts(metadata);
  } else {
    for (size_t i = 0; i < metadata.jpeg_segments.size(); ++i) {
      if (i != metadata.exif_segment) {
        segments += metadata.jpeg_segments[i];
      } else if (!metadata.exif.empty() && !AppendSegment(segments, kApp1, kExif, metadata.exif)) {
        metadata.left_out.push_back(std::string(kExifPart) + " too large for a JPEG file");
      }
    }
  }
  out.WriteBuffer(head.data(), static_cast<int64_t>(head.size()));
  out.WriteBuffer(segments.data(), static_cast<int64_t>(segments.size()));
  out.WriteBuffer(encoded.data() + insert_at, static_cast<int64_t>(encoded.size() - insert_at));
}

}  // namespace quillo
