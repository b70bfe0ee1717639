#include "form/text_lines.h"

#include <cstring>

namespace quillo {
namespace {

// Blocks double from the first size to the largest, so that a short list stays small and a long
// one needs few blocks; a longer line gets a block of its own size.
constexpr size_t kFirstBlockBytes = size_t{4} << 10;
constexpr size_t kLargestBlockBytes = size_t{1} << 20;

}  // namespace

TextLines::TextLines(const std::vector<std::string>& lines) {
  lines_.reserve(lines.size());
  for (const std::string& line : lines) Append(line);
}

void TextLines::AppendJoined(std::string_view first, std::string_view second) {
  const size_t length = first.size() + second.size();
  if (blocks_.empty() || blocks_.back().capacity - blocks_.back().used < length) {
    const size_t grown = blocks_.empty()
                             ? kFirstBlockBytes
                             : std::min(kLargestBlockBytes, 2 * blocks_.back().capacity);
    const size_t capacity = std::max(grown, length);
    // Left uninitialised: the pages of a block count only once lines are written into them.
    blocks_.push_back({std::make_unique_for_overwrite<char[]>(capacity), 0, capacity});
  }
  Block& block = blocks_.back();
  char* start = block.bytes.get() + block.used;
  if (!first.empty()) std::memcpy(start, first.data(), first.size());
  if (!second.empty()) std::memcpy(start + first.size(), second.data(), second.size());
  block.used += length;
  lines_.emplace_back(start, length);
}

void TextLines::RemoveLast() {
  blocks_.back().used -= lines_.back().size();
  lines_.pop_back();
}

size_t TextLines::Bytes() const {
  size_t bytes = 0;
  for (const std::string_view line : lines_) bytes += line.size();
  return bytes;
}

}  // namespace quillo
