#include "image/metadata/exif_copy.h"

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <exception>
#include <iterator>
#include <memory>
#include <string_view>

#include "platform/errors.h"

namespace quillo {
namespace {

// The tags of the first directory that say who shot what and how it stands; the rest of that
// directory describes the picture's own layout, which the target keeps.
constexpr std::string_view kImageTags[] = {"Make",   "Model",     "Orientation",     "DateTime",
                                           "Artist", "Copyright", "ImageDescription"};
// Tags of the exposure directory that describe the reference's pixels, not the shot.
constexpr std::string_view kPictureTags[] = {"PixelXDimension", "PixelYDimension", "MakerNote"};

bool Listed(std::string_view name, const auto& names) {
  return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

bool Carried(const Exiv2::Exifdatum& datum) {
  const std::string group = datum.groupName();
  const std::string name = datum.tagName();
  if (group == "Image") return Listed(name, kImageTags);
  if (group == "Photo") return !Listed(name, kPictureTags);
  return group == "GPSInfo";
}

std::unique_ptr<Exiv2::Image> Open(const std::string& path) {
  std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(path).release());
  image->readMetadata();
  return image;
}

}  // namespace

void CarryReferenceExif(const std::string& reference, const std::string& target) {
  try {
    const std::unique_ptr<Exiv2::Image> source = Open(reference);
    const std::unique_ptr<Exiv2::Image> result = Open(target);
    // The target's own tags stay (in a TIFF file they lay out its pixels); the carried ones are
    // the reference's only.
    Exiv2::ExifData exif = result->exifData();
    for (auto it = exif.begin(); it != exif.end();) it = Carried(*it) ? exif.erase(it) : ++it;
    for (const Exiv2::Exifdatum& datum : source->exifData()) {
      if (Carried(datum)) exif.add(datum);
    }
    if (result->pixelWidth() > 0 && result->pixelHeight() > 0) {
      exif["Exif.Photo.PixelXDimension"] = static_cast<uint32_t>(result->pixelWidth());
      exif["Exif.Photo.PixelYDimension"] = static_cast<uint32_t>(result->pixelHeight());
    }
    result->setExifData(exif);
    if (source->iccProfileDefined()) result->setIccProfile(*source->iccProfile(), false);
    result->writeMetadata();
  } catch (const Exception&) {
    throw;
  } catch (const std::exception& e) {
    throw Exception(e.what());
  }
}

}  // namespace quillo
