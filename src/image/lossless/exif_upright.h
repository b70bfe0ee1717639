// The EXIF block of a JPEG file, read and written with exiv2: its Orientation tag, and its
// thumbnail, which turns with the picture.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace quillo {

inline constexpr char kExifDamagedPattern[] = "damaged EXIF block: %s";
inline constexpr char kExifThumbnailPattern[] =
    "the EXIF thumbnail cannot be turned and is left out: %s";
inline constexpr char kThumbnailNotJpegMessage[] = "it is not a JPEG picture";
inline constexpr char kThumbnailOutsideMessage[] = "its bytes lie outside the EXIF block";

// The thumbnail's JPEG data turned the way the picture was turned.
using TThumbnailTurn = std::function<std::string(std::string_view jpeg)>;

// Sets exiv2 up for the process: its log goes to the damage reports below, and its XMP toolkit is
// initialised. Call it once on the main thread before any thread turns files; later calls do
// nothing.
void PrepareExiv2();

// The EXIF Orientation tag, 1 to 8: 1 also for a file without an EXIF block or tag, or with a
// value outside 1 to 8. Throws EInvalidGraphic (kExifDamagedPattern) when exiv2 cannot read the
// block or reports an error about what it skipped or cut short in it; its warnings pass.
int ExifOrientation(std::string_view jpeg);

// The file with its Orientation tag, when it has one, set to 1 and its thumbnail, when it has one,
// turned; every byte outside the EXIF block stays. A thumbnail is taken for a JPEG picture by its
// bytes, whatever its directory says. One that cannot be turned is left out of the block, and
// `dropped_thumbnail` (when given) says why (kExifThumbnailPattern); else it is left empty.
// Throws the damage error above.
std::string UprightExif(std::string_view jpeg, const TThumbnailTurn& turn_thumbnail,
                        std::string* dropped_thumbnail = nullptr);

}  // namespace quillo
