// The lines of a list control kept in one buffer: a list of many paths costs no string per line,
// and passes from the listing to a control and on to the output without being copied.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillo {

class TextLines {
 public:
  // Where a line lies in the buffer; the lines need not lie there in their own order.
  struct Span {
    size_t start = 0;
    size_t length = 0;
  };

  TextLines() = default;
  explicit TextLines(const std::vector<std::string>& lines);
  // Takes over a buffer and the spans of its lines, first line first.
  TextLines(std::string buffer, std::vector<Span> lines)
      : buffer_(std::move(buffer)), lines_(std::move(lines)) {}

  void Append(std::string_view line);
  size_t Count() const { return lines_.size(); }
  std::string_view operator[](size_t index) const {
    return std::string_view(buffer_).substr(lines_[index].start, lines_[index].length);
  }
  // The bytes of all lines together, line breaks not counted.
  size_t Bytes() const;
  std::vector<std::string> ToVector() const;

 private:
  std::string buffer_;
  std::vector<Span> lines_;
};

}  // namespace quillo
