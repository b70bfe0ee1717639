// The INI-file service: named text values in sections of a text file, one value per access.
// Section and key names compare without regard to case; a write updates one line (or adds it)
// and leaves every other byte of the file as it was.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/errors.h"

namespace quillo {

class EIniFileException : public Exception {
 public:
  using Exception::Exception;
};

inline constexpr char kIniFileWriteErrorPattern[] = N_("%s に書き込めません");
// A read returns at most this many bytes of a value, as a 2048-byte buffer would.
inline constexpr size_t kIniValueLimit = 2047;

class TIniFile {
 public:
  explicit TIniFile(std::string file_name) : file_name_(std::move(file_name)) {}

  const std::string& FileName() const { return file_name_; }

  // The key's value with the blanks at its ends and one pair of surrounding quotes removed, cut
  // at kIniValueLimit bytes; fallback when the file, the section or the key is absent.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;

  // Sets the key, creating the file, the section and the key as needed; the file is replaced
  // atomically, or rewritten where it stands when its folder lets no new file be made. A link is
  // followed to the file it leads to. Throws EIniFileException, leaving the file untouched, when
  // the file cannot be read (anything but a regular file) or written, or when a line break, a
  // "=" in the key or a "]" in the section would break the file's layout.
  void WriteString(std::string_view section, std::string_view key, std::string_view value) const;

 private:
  std::string file_name_;
};

}  // namespace quillo
