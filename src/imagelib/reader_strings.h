// The readers' own messages, formatted with the format's name.
#pragma once

namespace quillo {

inline constexpr char kInvalidImagePattern[] =
    "Cannot load image. Invalid or unexpected %s image format.";
// The first %s names what is missing: kCompressionSchemeIs or a reader's own phrase.
inline constexpr char kNotSupportedPattern[] = "Cannot load image. %s not supported for %s files.";
inline constexpr char kCompressionSchemeIs[] = "The compression scheme is";

}  // namespace quillo
