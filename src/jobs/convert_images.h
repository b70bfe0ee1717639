// The conversion batch: copies or converts every file of the conversion tab's list into one
// output format, BMP, JPEG or TIFF, in the output folder.
#pragma once

#include <functional>
#include <string>

#include "image/bitmap.h"
#include "image/image_kind.h"
#include "platform/source_text.h"

namespace quillo {

class FormControls;
class ListedSources;

inline constexpr char kUnknownImageKindPattern[] =
    N_("ファイル \"%s\" は BMP、JPEG、TIFF のどの画像でもありません");
inline constexpr char kNoReaderPattern[] = N_("ファイル \"%s\" はどの画像形式としても読めません");
inline constexpr char kNoOutputTypeMessage[] = N_("出力画像形式が選ばれていません");

// Writes one listed file that needs converting to its target, in place of the tab's loading and
// saving (the command-line front end's conversion that keeps metadata).
using ConvertFileHook = std::function<void(const std::string& source, const std::string& target)>;

// Runs the whole batch inside the caller's click handler; the abort button stops it between two
// files. Does nothing at all when the source folder or the list fail their checks. Each file
// that needs converting is converted by convert_file when one is given.
void ConvertImages(FormControls& form, const ConvertFileHook& convert_file = nullptr);

// Where a source goes in the folder: under its own name when it already is of the kind, else
// under its base name with the kind's extension.
std::string ConversionTarget(const std::string& source, const std::string& folder, TImageKind kind);

// Copies the source byte for byte when it is of the kind, else decodes it and writes it in the
// kind's format (or hands it to convert_file). A target that is another listed source is refused
// before it is written.
void ConvertImageFile(const std::string& source, const std::string& folder, TImageKind kind,
                      const ListedSources& sources, const ConvertFileHook& convert_file = nullptr);

// Fills an empty bitmap with the picture of a BMP, JPEG or TIFF file; a TIFF file is read by
// whichever registered reader takes its content. A missing file raises the open error, a file of
// no known kind or one no reader takes raises EInvalidGraphic naming it.
void LoadImageToBitmap(TBitmap& bitmap, const std::string& path);

// Writes the bitmap in the format its path's extension names: JPEG at quality 100. The target
// is replaced only once complete; a path of no known kind raises EInvalidGraphic.
void SaveBitmapAsImageKind(TBitmap& bitmap, const std::string& path);

}  // namespace quillo
