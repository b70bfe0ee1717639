// exiftool, run as a child process: an independent reader (and writer) of the metadata of the
// files our conversions make.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace quillo::testing {

// Whether exiftool can be run; tests that need it skip without it.
bool HaveExiftool();

// The tags exiftool finds in the file, as numbers where it has them ("-n"): name to value.
std::map<std::string, std::string> ExiftoolTags(const std::string& path,
                                                const std::vector<std::string>& tags);

// One tag's binary value ("-b"), such as ICC_Profile or ThumbnailImage; empty without it.
std::string ExiftoolBinary(const std::string& path, const std::string& tag);

// Writes tags into the file in place, as exiftool's arguments ("-Make=X", "-ICC_Profile<=f");
// false when exiftool fails.
bool ExiftoolWrite(const std::string& path, const std::vector<std::string>& arguments);

}  // namespace quillo::testing
