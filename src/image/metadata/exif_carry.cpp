#include "image/metadata/exif_carry.h"

#include <exiv2/exiv2.hpp>

#include <algorithm>

#include "image/byte_reader.h"
#include "image/metadata/exif_tags.h"
#include "image/metadata/exiv2_guard.h"
#include "image/metadata/thumbnail_turn.h"

namespace quillo {
namespace {

constexpr char kOrientationKey[] = "Exif.Image.Orientation";
constexpr char kWidthKey[] = "Exif.Photo.PixelXDimension";
constexpr char kHeightKey[] = "Exif.Photo.PixelYDimension";

const Exiv2::byte* Bytes(const std::string& text) {
  return reinterpret_cast<const Exiv2::byte*>(text.data());
}

Exiv2::ByteOrder Decode(Exiv2::ExifData& data, const std::string& tiff) {
  return Exiv2::ExifParser::decode(data, Bytes(tiff), static_cast<uint32_t>(tiff.size()));
}

// Removes every tag the predicate picks; true when there was one.
template <typename Picks>
bool EraseIf(Exiv2::ExifData& data, Picks picks) {
  bool erased = false;
  for (auto it = data.begin(); it != data.end();) {
    if (picks(*it)) {
      it = data.erase(it);
      erased = true;
    } else {
      ++it;
    }
  }
  return erased;
}

bool HasGroup(const Exiv2::ExifData& data, const std::string& group) {
  return std::any_of(data.begin(), data.end(),
                     [&](const Exiv2::Exifdatum& d) { return d.groupName() == group; });
}

// Sets a tag to a new value; true when that changed anything.
bool SetLong(Exiv2::ExifData& data, const char* key, uint32_t value) {
  const auto found = data.findKey(Exiv2::ExifKey(key));
  if (found != data.end() && found->count() == 1 && found->toLong() == static_cast<long>(value))
    return false;
  data[key] = value;
  return true;
}

// Keeps the tags that describe the photo: the first directory's (but for the TIFF layout, and the
// ones `more` picks), the Exif, GPS and interoperability directories and the maker's notes.
bool KeepDescriptive(Exiv2::ExifData& data, bool (*more)(uint16_t tag)) {
  return EraseIf(data, [&](const Exiv2::Exifdatum& d) {
    const std::string group = d.groupName();
    if (group == "Image") return IsLayoutTag(d.tag()) || (more != nullptr && more(d.tag()));
    return IsOtherPictureGroup(group);
  });
}

// The thumbnail turned as the picture was, or dropped when it cannot be; true when it changed.
bool TurnThumbnail(Exiv2::ExifData& data, TPictureTurn turn) {
  const Exiv2::ExifThumbC thumbnail(data);
  const std::string type = thumbnail.mimeType();
  if (type.empty()) return false;
  if (type == "image/jpeg") {
    const Exiv2::DataBuf bytes = thumbnail.copy();
    const std::optional<std::string> turned = TurnedThumbnail(
        std::string_view(reinterpret_cast<const char*>(bytes.pData_), bytes.size_), turn);
    if (turned) {
      Exiv2::ExifThumb(data).setJpegThumbnail(Bytes(*turned), static_cast<long>(turned->size()));
      return true;
    }
  }
  Exiv2::ExifThumb(data).erase();
  return true;
}

// The common changes for either kind of target; true when anything changed.
bool Change(Exiv2::ExifData& data, const TExifChange& change) {
  bool changed = false;
  if (HasGroup(data, "Photo")) {
    changed |= SetLong(data, kWidthKey, static_cast<uint32_t>(change.width));
    changed |= SetLong(data, kHeightKey, static_cast<uint32_t>(change.height));
  }
  if (change.turn) {
    const auto found = data.findKey(Exiv2::ExifKey(kOrientationKey));
    if (found != data.end()) {
      data[kOrientationKey] = uint16_t{1};
      changed = true;
    }
  }
  return changed;
}

// The first directory of a little-endian TIFF structure exiv2 wrote: its entries as they stand.
std::vector<TTiffEntry> FirstDirectory(const std::string& tiff) {
  TByteReader reader(reinterpret_cast<const uint8_t*>(tiff.data()), tiff.size(), false);
  try {
    if (reader.U16() != 0x4949 || reader.U16() != 42) RaiseDamaged(kExifPart, "not little-endian");
    reader.Seek(reader.U32());
    const uint16_t count = reader.U16();
    std::vector<TTiffEntry> entries(count);
    for (TTiffEntry& entry : entries) {
      entry.tag = reader.U16();
      entry.type = reader.U16();
      entry.count = reader.U32();
      for (uint8_t& byte : entry.field) byte = reader.U8();
    }
    return entries;
  } catch (const EReadError&) {
    RaiseDamaged(kExifPart, "its first directory is cut short");
  }
}

}  // namespace

void CheckExifBlock(std::string_view tiff) {
  const std::string block(tiff);
  ThroughExiv2(kExifPart, [&] {
    Exiv2::ExifData data;
    Decode(data, block);
    return true;
  });
}

int ExifOrientationTag(std::string_view tiff) {
  const std::string block(tiff);
  return ThroughExiv2(kExifPart, [&] {
    Exiv2::ExifData data;
    Decode(data, block);
    const auto found = data.findKey(Exiv2::ExifKey(kOrientationKey));
    if (found == data.end() || found->count() != 1) return 1;
    const long value = found->toLong();
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
  });
}

std::string ExifForJpeg(const std::string& tiff, const TExifChange& change) {
  return ThroughExiv2(kExifPart, [&] {
    Exiv2::ExifData data;
    const Exiv2::ByteOrder order = Decode(data, tiff);
    bool changed = KeepDescriptive(data, nullptr);
    changed |= Change(data, change);
    if (change.turn) changed |= TurnThumbnail(data, *change.turn);
    // Only a JPEG thumbnail has a place in a JPEG file's block.
    const std::string type = Exiv2::ExifThumbC(data).mimeType();
    if (!type.empty() && type != "image/jpeg") {
      Exiv2::ExifThumb(data).erase();
      changed = true;
    }
    if (!changed) return tiff;
    // exiv2 writes an edit that keeps every size in place into these very bytes.
    std::string edited = tiff;
    Exiv2::Blob blob;
    if (Exiv2::ExifParser::encode(blob, Bytes(edited), static_cast<uint32_t>(edited.size()), order,
                                  data) == Exiv2::wmIntrusive) {
      return std::string(blob.begin(), blob.end());
    }
    return edited;
  });
}

TTiffExif ExifForTiff(const std::string& tiff, const TExifChange& change) {
  const std::string written = ThroughExiv2(kExifPart, [&] {
    Exiv2::ExifData data;
    Decode(data, tiff);
    KeepDescriptive(data, IsLeftOutOfTiff);
    // TIFF readers refuse a whole file over an orientation they do not know.
    const auto orientation = data.findKey(Exiv2::ExifKey(kOrientationKey));
    if (orientation != data.end() &&
        (orientation->count() != 1 || orientation->toLong() < 1 || orientation->toLong() > 8)) {
      data.erase(orientation);
    }
    Exiv2::ExifThumb(data).erase();
    EraseIf(data, [](const Exiv2::Exifdatum& d) { return d.groupName() == "Thumbnail"; });
    Change(data, change);
    Exiv2::MemIo io;
    Exiv2::TiffParser::encode(io, nullptr, 0, Exiv2::littleEndian, data, Exiv2::IptcData(),
                              Exiv2::XmpData());
    return std::string(reinterpret_cast<const char*>(io.mmap()), io.size());
  });
  if (written.size() <= 8) return {};
  std::vector<TTiffEntry> entries = FirstDirectory(written);
  if (entries.empty()) return {};
  return {written.substr(8), std::move(entries)};
}

}  // namespace quillo
