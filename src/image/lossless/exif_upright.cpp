#include "image/lossless/exif_upright.h"

#include <exiv2/exiv2.hpp>

#include <optional>
#include <vector>

#include "image/jpeg_segments.h"
#include "platform/errors.h"

namespace quillo {
namespace {

constexpr std::string_view kExifSignature("Exif\0\0", 6);
constexpr char kOrientationKey[] = "Exif.Image.Orientation";

// exiv2 tells what it skips or cuts short in a damaged block through its log instead of failing.
// While a block is read or written its error reports are collected here, and any of them marks
// the block damaged, so that no part of it is lost in silence; its warnings (a next pointer it
// ignores) lose nothing and pass. Nothing reaches standard error.
class ExivReports {
 public:
  ExivReports() : outer_(current_) {
    PrepareExiv2();
    current_ = this;
  }
  ~ExivReports() { current_ = outer_; }
  ExivReports(const ExivReports&) = delete;
  ExivReports& operator=(const ExivReports&) = delete;

  const std::optional<std::string>& First() const { return first_; }

 private:
  friend void quillo::PrepareExiv2();

  static void Collect(int level, const char* message) {
    if (level < Exiv2::LogMsg::error || current_ == nullptr || current_->first_) return;
    std::string text(message);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    current_->first_ = text;
  }

  static thread_local ExivReports* current_;
  ExivReports* outer_;
  std::optional<std::string> first_;
};

thread_local ExivReports* ExivReports::current_ = nullptr;

}  // namespace

void PrepareExiv2() {
  static const bool prepared = [] {
    Exiv2::XmpParser::initialize();
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::warn);
    Exiv2::LogMsg::setHandler(&ExivReports::Collect);
    return true;
  }();
  static_cast<void>(prepared);
}

namespace {

[[noreturn]] void RaiseDamaged(const std::string& what) {
  throw EInvalidGraphic(Format(kExifDamagedPattern, {what}));
}

// Runs work that calls exiv2: its errors and its reports become the damage error; our own
// exceptions pass unchanged.
template <typename Work>
auto ThroughExiv2(Work work) {
  ExivReports reports;
  try {
    auto result = work();
    if (reports.First()) RaiseDamaged(*reports.First());
    return result;
  } catch (const Exception&) {
    throw;
  } catch (const std::exception& e) {
    RaiseDamaged(reports.First().value_or(e.what()));
  }
}

Exiv2::ByteOrder Decode(Exiv2::ExifData& data, const std::string& tiff) {
  return Exiv2::ExifParser::decode(data, reinterpret_cast<const Exiv2::byte*>(tiff.data()),
                                   static_cast<uint32_t>(tiff.size()));
}

// The TIFF structure behind the signature.
std::string TiffOf(std::string_view jpeg, const TJpegSegment& segment) {
  return std::string(jpeg.substr(segment.PayloadOffset() + kExifSignature.size(),
                                 segment.PayloadSize() - kExifSignature.size()));
}

bool SetUpright(Exiv2::ExifData& data) {
  const auto found = data.findKey(Exiv2::ExifKey(kOrientationKey));
  if (found == data.end()) return false;
  if (found->count() == 1 && found->toLong() == 1) return false;
  data[kOrientationKey] = uint16_t{1};
  return true;
}

constexpr char kThumbnailOffsetKey[] = "Exif.Thumbnail.JPEGInterchangeFormat";

// The thumbnail's bytes: those its JPEG offset and length tags point at, whatever its compression
// tag says, else what exiv2 makes of its strips. Null when it has none; empty when its tags point
// at bytes the block does not hold.
std::optional<Exiv2::DataBuf> ThumbnailBytes(const Exiv2::ExifData& data) {
  const auto found = data.findKey(Exiv2::ExifKey(kThumbnailOffsetKey));
  if (found != data.end()) return found->dataArea();
  Exiv2::DataBuf strips = Exiv2::ExifThumbC(data).copy();
  if (strips.size_ == 0) return std::nullopt;
  return strips;
}

bool IsJpeg(const Exiv2::DataBuf& bytes) {
  return bytes.size_ >= 2 && bytes.pData_[0] == 0xFF && bytes.pData_[1] == 0xD8;
}

// Turns the thumbnail, or leaves it out when it cannot be turned and says why; false when there
// is none.
bool TurnThumbnail(Exiv2::ExifData& data, const TThumbnailTurn& turn_thumbnail,
                   std::string& dropped) {
  const std::optional<Exiv2::DataBuf> found = ThumbnailBytes(data);
  if (!found) return false;
  const Exiv2::DataBuf& bytes = *found;
  std::string turned;
  try {
    if (bytes.size_ == 0) throw EInvalidGraphic(kThumbnailOutsideMessage);
    if (!IsJpeg(bytes)) throw EInvalidGraphic(kThumbnailNotJpegMessage);
    turned =
        turn_thumbnail(std::string_view(reinterpret_cast<const char*>(bytes.pData_), bytes.size_));
  } catch (const Exception& e) {
    dropped = Format(kExifThumbnailPattern, {e.what()});
    Exiv2::ExifThumb(data).erase();
    return true;
  }
  Exiv2::ExifThumb(data).setJpegThumbnail(reinterpret_cast<const Exiv2::byte*>(turned.data()),
                                          static_cast<long>(turned.size()));
  return true;
}

}  // namespace

int ExifOrientation(std::string_view jpeg) {
  const std::optional<TJpegSegment> segment = FindExifSegment(jpeg, HeaderSegments(jpeg));
  if (!segment) return 1;
  const std::string tiff = TiffOf(jpeg, *segment);
  return ThroughExiv2([&] {
    Exiv2::ExifData data;
    Decode(data, tiff);
    const auto found = data.findKey(Exiv2::ExifKey(kOrientationKey));
    if (found == data.end() || found->count() != 1) return 1;
    const long value = found->toLong();
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
  });
}

std::string UprightExif(std::string_view jpeg, const TThumbnailTurn& turn_thumbnail,
                        std::string* dropped_thumbnail) {
  std::string dropped;
  if (dropped_thumbnail != nullptr) dropped_thumbnail->clear();
  const std::optional<TJpegSegment> segment = FindExifSegment(jpeg, HeaderSegments(jpeg));
  if (!segment) return std::string(jpeg);
  // exiv2 writes an edit that keeps every size in place, into these very bytes.
  std::string tiff = TiffOf(jpeg, *segment);
  const std::optional<std::string> block = ThroughExiv2([&]() -> std::optional<std::string> {
    Exiv2::ExifData data;
    const Exiv2::ByteOrder order = Decode(data, tiff);
    const bool upright = SetUpright(data);
    if (!TurnThumbnail(data, turn_thumbnail, dropped) && !upright) return std::nullopt;
    Exiv2::Blob blob;
    if (Exiv2::ExifParser::encode(blob, reinterpret_cast<const Exiv2::byte*>(tiff.data()),
                                  static_cast<uint32_t>(tiff.size()), order,
                                  data) == Exiv2::wmIntrusive) {
      return std::string(blob.begin(), blob.end());
    }
    return tiff;
  });
  if (!block) return std::string(jpeg);
  std::string upright = ReplacePayload(jpeg, *segment, std::string(kExifSignature) + *block);
  if (dropped_thumbnail != nullptr) *dropped_thumbnail = std::move(dropped);
  return upright;
}

}  // namespace quillo
