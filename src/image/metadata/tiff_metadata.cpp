#include "image/metadata/tiff_metadata.h"

#include <exiv2/exiv2.hpp>

#include "image/byte_order.h"
#include "image/byte_reader.h"
#include "image/metadata/exif_tags.h"
#include "image/metadata/exiv2_guard.h"
#include "platform/file_mapping.h"

namespace quillo {
namespace {

constexpr char kTiffPart[] = "TIFF metadata";
constexpr uint16_t kByte = 1;
constexpr uint16_t kLong = 4;
constexpr uint16_t kUndefined = 7;

// exiv2 copies the picture's strips or tiles into memory along with the tags that point to them,
// which a photo's metadata can do without: in a private copy of the file, the first directory's
// offset tags take a tag number of their own, which nothing reads.
constexpr uint16_t kHiddenTag = 0xFFFF;

void HideStripOffsets(uint8_t* data, size_t size) {
  const bool big_endian = data[0] == 'M';
  TByteReader reader(data, size, big_endian);
  try {
    reader.Seek(4);
    reader.Seek(reader.U32());
    const uint16_t count = reader.U16();
    for (uint16_t i = 0; i < count; ++i) {
      const int64_t at = reader.Position();
      const uint16_t tag = reader.U16();
      reader.Skip(10);
      if (tag != 273 && tag != 324) continue;
      uint8_t* field = data + at;
      if (big_endian) {
        StoreU16Be(field, kHiddenTag);
      } else {
        StoreU16(field, kHiddenTag);
      }
    }
  } catch (const EReadError&) {
    // A directory cut short is exiv2's to report.
  }
}

bool IsTiffStructure(std::string_view head) {
  return head.size() >= 4 && (head.substr(0, 4) == std::string_view("II*\0", 4) ||
                              head.substr(0, 4) == std::string_view("MM\0*", 4));
}

// A tag's value bytes as the file holds them.
std::string Raw(const Exiv2::ExifData& data, const char* key, Exiv2::ByteOrder order) {
  const auto found = data.findKey(Exiv2::ExifKey(key));
  if (found == data.end() || found->size() == 0) return "";
  std::string bytes(found->size(), '\0');
  found->copy(reinterpret_cast<Exiv2::byte*>(bytes.data()), order);
  return bytes;
}

std::optional<TTiffResolution> Resolution(const Exiv2::ExifData& data) {
  const auto x = data.findKey(Exiv2::ExifKey("Exif.Image.XResolution"));
  const auto y = data.findKey(Exiv2::ExifKey("Exif.Image.YResolution"));
  if (x == data.end() || y == data.end()) return std::nullopt;
  const auto unit_tag = data.findKey(Exiv2::ExifKey("Exif.Image.ResolutionUnit"));
  // Without the tag, TIFF files count in inches.
  const long unit = unit_tag == data.end() ? 2 : unit_tag->toLong();
  const Exiv2::Rational xr = x->toRational();
  const Exiv2::Rational yr = y->toRational();
  if ((unit != 2 && unit != 3) || xr.first <= 0 || xr.second <= 0 || yr.first <= 0 ||
      yr.second <= 0) {
    return std::nullopt;
  }
  return TTiffResolution{{static_cast<uint32_t>(xr.first), static_cast<uint32_t>(xr.second)},
                         {static_cast<uint32_t>(yr.first), static_cast<uint32_t>(yr.second)},
                         static_cast<uint16_t>(unit)};
}

// IPTC records stored as LONG values end in up to three bytes of padding.
std::string WithoutPadding(std::string iptc) {
  for (int i = 0; i < 3 && !iptc.empty() && iptc.back() == '\0'; ++i) iptc.pop_back();
  return iptc;
}

TPhotoMetadata FromImage(Exiv2::Image& image) {
  image.readMetadata();
  Exiv2::ExifData& data = image.exifData();
  const Exiv2::ByteOrder order = image.byteOrder();
  TPhotoMetadata metadata;
  metadata.xmp = Raw(data, "Exif.Image.XMLPacket", order);
  metadata.iptc = WithoutPadding(Raw(data, "Exif.Image.IPTCNAA", order));
  metadata.icc = Raw(data, "Exif.Image.InterColorProfile", order);
  metadata.resolution = Resolution(data);
  // The second directory of a TIFF file is a thumbnail only when it holds a JPEG picture.
  if (std::string(Exiv2::ExifThumbC(data).mimeType()) != "image/jpeg") {
    Exiv2::ExifThumb(data).erase();
  }
  for (auto it = data.begin(); it != data.end();) {
    const std::string group = it->groupName();
    const bool layout = group == "Image" && (IsLayoutTag(it->tag()) || it->tag() == kHiddenTag);
    it = layout || IsOtherPictureGroup(group) ? data.erase(it) : std::next(it);
  }
  if (!data.empty()) {
    Exiv2::MemIo io;
    Exiv2::TiffParser::encode(io, nullptr, 0, Exiv2::littleEndian, data, Exiv2::IptcData(),
                              Exiv2::XmpData());
    metadata.exif.assign(reinterpret_cast<const char*>(io.mmap()), io.size());
  }
  return metadata;
}

template <typename Open>
TPhotoMetadata Read(Open open) {
  try {
    return ThroughExiv2(kTiffPart, [&] {
      Exiv2::Image::AutoPtr image = open();
      return FromImage(*image);
    });
  } catch (const EInvalidGraphic& e) {
    TPhotoMetadata metadata;
    metadata.left_out.push_back(e.what());
    return metadata;
  }
}

TTiffField Field(uint16_t tag, uint16_t type, std::string bytes) {
  const uint32_t size = type == kLong ? 4 : 1;
  bytes.resize((bytes.size() + size - 1) / size * size, '\0');
  return {tag, type, static_cast<uint32_t>(bytes.size() / size), std::move(bytes)};
}

}  // namespace

TPhotoMetadata ReadTiffMetadata(const std::string& path) {
  TPrivateFileMapping mapping(path);
  return ReadTiffMetadataAt(mapping.Data(), mapping.Size());
}

TPhotoMetadata ReadTiffMetadataAt(uint8_t* data, size_t size) {
  if (!IsTiffStructure(std::string_view(reinterpret_cast<const char*>(data), size))) return {};
  HideStripOffsets(data, size);
  return Read([&] { return Exiv2::ImageFactory::open(data, static_cast<long>(size)); });
}

void AddTiffMetadata(TTiffWriteOptions& options, TPhotoMetadata& metadata,
                     const TExifChange& change) {
  options.resolution = metadata.resolution;
  if (!metadata.exif.empty()) {
    try {
      TTiffExif exif = ExifForTiff(metadata.exif, change);
      options.prologue = std::move(exif.prologue);
      options.entries = std::move(exif.entries);
    } catch (const EInvalidGraphic& e) {
      metadata.left_out.push_back(e.what());
    }
  }
  if (!metadata.xmp.empty()) options.fields.push_back(Field(700, kByte, metadata.xmp));
  if (!metadata.iptc.empty()) options.fields.push_back(Field(33723, kLong, metadata.iptc));
  if (!metadata.icc.empty()) options.fields.push_back(Field(34675, kUndefined, metadata.icc));
}

}  // namespace quillo
