// Path parts by the current text rules: a separator or "." that is the second byte of a
// double-byte character is not one.
#pragma once

#include <string>
#include <string_view>

namespace quillo {

// The part after the last separator.
std::string ExtractFileName(std::string_view path);
// The part up to and including the last separator.
std::string ExtractFilePath(std::string_view path);
// From the last "." of the file name to the end, "." included; empty when there is none.
std::string ExtractFileExt(std::string_view path);
// The same part as a view into the path, for callers that only compare it.
std::string_view FileExtensionOf(std::string_view path);
// Replaces the extension (or appends one when there is none).
std::string ChangeFileExt(std::string_view path, std::string_view extension);
// Whether the last character is a single-byte delimiter. A double-byte last character whose
// second byte happens to equal "\" is none.
bool EndsInDelimiter(std::string_view path);
// Appends the delimiter unless the path ends in one.
std::string AddTrailingBackslash(std::string_view path);
// A folder typed by hand as the start of the paths inside it: the delimiter added unless the
// text is empty or ends in one already.
std::string FolderPrefix(std::string_view folder);

}  // namespace quillo
