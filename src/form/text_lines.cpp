#include "form/text_lines.h"

namespace quillo {

TextLines::TextLines(const std::vector<std::string>& lines) {
  lines_.reserve(lines.size());
  for (const std::string& line : lines) Append(line);
}

void TextLines::Append(std::string_view line) {
  lines_.push_back({buffer_.size(), line.size()});
  buffer_ += line;
}

size_t TextLines::Bytes() const {
  size_t bytes = 0;
  for (const Span& line : lines_) bytes += line.length;
  return bytes;
}

std::vector<std::string> TextLines::ToVector() const {
  std::vector<std::string> lines;
  lines.reserve(Count());
  for (size_t i = 0; i < Count(); ++i) lines.emplace_back((*this)[i]);
  return lines;
}

}  // namespace quillo
