#include "platform/path.h"

#include "platform/text_rules.h"

namespace quillo {
namespace {

constexpr size_t kNone = std::string_view::npos;

// Offset just past the last single-byte separator, 0 when there is none.
size_t NameStart(std::string_view path) {
  const TextRules& rules = CurrentTextRules();
  size_t start = 0;
  ForEachChar(path, [&](size_t pos, size_t length) {
    if (length == 1 && rules.IsPathSeparator(path[pos])) start = pos + 1;
  });
  return start;
}

// Offset of the extension's "." within the file name, kNone when there is none.
size_t ExtensionStart(std::string_view path) {
  const size_t name = NameStart(path);
  size_t dot = kNone;
  ForEachChar(path.substr(name), [&](size_t pos, size_t length) {
    if (length == 1 && path[name + pos] == '.') dot = name + pos;
  });
  return dot;
}

}  // namespace

std::string ExtractFileName(std::string_view path) {
  return std::string(path.substr(NameStart(path)));
}

std::string ExtractFilePath(std::string_view path) {
  return std::string(path.substr(0, NameStart(path)));
}

std::string ExtractFileExt(std::string_view path) { return std::string(FileExtensionOf(path)); }

std::string_view FileExtensionOf(std::string_view path) {
  const size_t dot = ExtensionStart(path);
  return dot == kNone ? std::string_view() : path.substr(dot);
}

std::string ChangeFileExt(std::string_view path, std::string_view extension) {
  const size_t dot = ExtensionStart(path);
  std::string result(path.substr(0, dot == kNone ? path.size() : dot));
  result += extension;
  return result;
}

bool EndsInDelimiter(std::string_view path) {
  const char delimiter = CurrentTextRules().Delimiter();
  bool ends_in_delimiter = false;
  ForEachChar(path, [&](size_t pos, size_t length) {
    ends_in_delimiter = length == 1 && path[pos] == delimiter;
  });
  return ends_in_delimiter;
}

std::string AddTrailingBackslash(std::string_view path) {
  std::string result(path);
  if (!EndsInDelimiter(path)) result += CurrentTextRules().Delimiter();
  return result;
}

std::string FolderPrefix(std::string_view folder) {
  return folder.empty() ? std::string() : AddTrailingBackslash(folder);
}

}  // namespace quillo
