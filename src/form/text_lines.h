// The lines of a list control kept in large blocks: a list of many paths costs no string per
// line, grows without copying what it holds, and passes from the listing to a control and on to
// the output without being copied.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillo {

class TextLines {
 public:
  TextLines() = default;
  explicit TextLines(const std::vector<std::string>& lines);
  // The lines point into the blocks, which stay where they are when the list moves.
  TextLines(TextLines&&) = default;
  TextLines& operator=(TextLines&&) = default;
  TextLines(const TextLines&) = delete;
  TextLines& operator=(const TextLines&) = delete;

  void Append(std::string_view line) { AppendJoined(line, {}); }
  // Appends first + second as one line.
  void AppendJoined(std::string_view first, std::string_view second);
  // Takes back the line just appended.
  void RemoveLast();

  size_t Count() const { return lines_.size(); }
  std::string_view operator[](size_t index) const { return lines_[index]; }
  // The bytes of all lines together, line breaks not counted.
  size_t Bytes() const;
  std::vector<std::string> ToVector() const { return {lines_.begin(), lines_.end()}; }

  // Puts the lines in the order of before(a, b), which tells whether line a goes first.
  template <typename Before>
  void Sort(Before before) {
    std::sort(lines_.begin(), lines_.end(), before);
  }

 private:
  struct Block {
    std::unique_ptr<char[]> bytes;
    size_t used = 0;
    size_t capacity = 0;
  };
  std::vector<Block> blocks_;
  std::vector<std::string_view> lines_;
};

}  // namespace quillo
