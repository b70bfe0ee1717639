#include "platform/ini_file.h"

#include <optional>
#include <vector>

#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "platform/text_compare.h"

namespace quillo {
namespace {

// A stray carriage return counts as a blank, so that a line break added after one never changes
// what the line before it means.
constexpr std::string_view kBlanks = " \t\r";

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

enum LineKind : uint8_t { lkOther, lkSection, lkKey };

// One line of the file: where it starts, its text without the line break, and what it holds.
struct Line {
  size_t offset = 0;
  std::string_view text;
  std::string_view line_break;  // "\r\n", "\n", or empty for a last line without one
  LineKind kind = lkOther;
  std::string_view name;   // section or key name, blanks removed
  std::string_view value;  // a key's value, blanks removed
};

Line Classify(size_t offset, std::string_view text, std::string_view line_break) {
  Line line;
  line.offset = offset;
  line.text = text;
  line.line_break = line_break;
  const std::string_view trimmed = Trim(text);
  if (trimmed.starts_with('[')) {
    line.kind = lkSection;
    line.name = Trim(trimmed.substr(1, trimmed.find(']') - 1));
  } else if (!trimmed.starts_with(';') && trimmed.find('=') != std::string_view::npos) {
    const size_t equals = trimmed.find('=');
    line.kind = lkKey;
    line.name = Trim(trimmed.substr(0, equals));
    line.value = Trim(trimmed.substr(equals + 1));
  }
  return line;
}

std::vector<Line> SplitLines(std::string_view content) {
  std::vector<Line> lines;
  size_t start = 0;
  while (start < content.size()) {
    const size_t newline = content.find('\n', start);
    const size_t end = newline == std::string_view::npos ? content.size() : newline;
    size_t text_end = end;
    if (newline != std::string_view::npos && text_end > start && content[text_end - 1] == '\r') {
      --text_end;
    }
    const size_t next = newline == std::string_view::npos ? end : newline + 1;
    lines.push_back(Classify(start, content.substr(start, text_end - start),
                             content.substr(text_end, next - text_end)));
    start = next;
  }
  return lines;
}

// The lines of the first section of that name: [first, last), first being its header.
struct SectionRange {
  size_t first;
  size_t last;
};

std::optional<SectionRange> FindSection(const std::vector<Line>& lines, std::string_view section) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind != lkSection || !SameTextIgnoreCase(lines[i].name, section)) continue;
    size_t last = i + 1;
    while (last < lines.size() && lines[last].kind != lkSection) ++last;
    return SectionRange{i, last};
  }
  return std::nullopt;
}

std::optional<size_t> FindKey(const std::vector<Line>& lines, SectionRange range,
                              std::string_view key) {
  for (size_t i = range.first + 1; i < range.last; ++i) {
    if (lines[i].kind == lkKey && SameTextIgnoreCase(lines[i].name, key)) return i;
  }
  return std::nullopt;
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

bool FitsLayout(std::string_view section, std::string_view key, std::string_view value) {
  constexpr std::string_view kLineBreaks = "\r\n";
  return section.find_first_of(kLineBreaks) == std::string_view::npos &&
         section.find(']') == std::string_view::npos &&
         key.find_first_of(kLineBreaks) == std::string_view::npos &&
         key.find('=') == std::string_view::npos && !Trim(key).starts_with('[') &&
         !Trim(key).starts_with(';') && value.find_first_of(kLineBreaks) == std::string_view::npos;
}

// The line break the file already uses; a new file gets the platform's.
std::string_view LineBreakOf(std::string_view content) {
  const size_t newline = content.find('\n');
  if (newline == std::string_view::npos) return "\n";
  return newline > 0 && content[newline - 1] == '\r' ? "\r\n" : "\n";
}

// The file's content with the key set; only the key's own line changes or is added.
std::string WithKey(const std::string& content, std::string_view section, std::string_view key,
                    std::string_view value) {
  const std::vector<Line> lines = SplitLines(content);
  const std::string_view line_break = LineBreakOf(content);
  std::string result = content;

  const std::optional<SectionRange> range = FindSection(lines, section);
  if (!range) {
    if (!result.empty() && result.back() != '\n') result += line_break;
    result.append("[").append(section).append("]").append(line_break);
    result.append(key).append("=").append(value).append(line_break);
    return result;
  }
  if (const std::optional<size_t> found = FindKey(lines, *range, key)) {
    const Line& line = lines[*found];
    std::string replacement(line.name);
    replacement.append("=").append(value);
    result.replace(line.offset, line.text.size(), replacement);
    return result;
  }
  // A new key goes after the section's last non-blank line, before any blank lines that
  // separate it from the next section.
  size_t anchor = range->first;
  for (size_t i = range->first + 1; i < range->last; ++i) {
    if (!Trim(lines[i].text).empty()) anchor = i;
  }
  const Line& line = lines[anchor];
  const size_t insert_at = line.offset + line.text.size() + line.line_break.size();
  // After a last line without a break, the break goes before the new key instead of after it.
  const bool last_line_open = line.line_break.empty();
  std::string addition(last_line_open ? line_break : "");
  addition.append(key).append("=").append(value).append(last_line_open ? "" : line_break);
  result.insert(insert_at, addition);
  return result;
}

}  // namespace

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view fallback) const {
  if (!FileExists(file_name_)) return std::string(fallback);
  std::string content;
  try {
    content = ReadWholeFile(file_name_);
  } catch (const EStreamError&) {
    return std::string(fallback);
  }
  const std::vector<Line> lines = SplitLines(content);
  const std::optional<SectionRange> range = FindSection(lines, section);
  if (!range) return std::string(fallback);
  const std::optional<size_t> found = FindKey(lines, *range, key);
  if (!found) return std::string(fallback);
  const std::string_view value = Unquote(lines[*found].value);
  return std::string(value.substr(0, kIniValueLimit));
}

void TIniFile::WriteString(std::string_view section, std::string_view key,
                           std::string_view value) const {
  const auto refused = [&] {
    return EIniFileException(Format(kIniFileWriteErrorPattern, {file_name_}));
  };
  if (!FitsLayout(section, key, value)) throw refused();
  // A link to the settings file stays a link: the file it leads to is the one updated.
  const std::string target = FollowLinks(file_name_);
  try {
    const bool exists = FileExists(target);
    const std::string updated = WithKey(exists ? ReadWholeFile(target) : "", section, key, value);
    try {
      WriteWholeFile(target, updated);
    } catch (const EFCreateError&) {
      // No new file can be made beside it, but the file itself may still be writable.
      if (!exists || FolderOfPathWritable(target)) throw;
      RewriteWholeFile(target, updated);
    }
  } catch (const EStreamError&) {
    throw refused();
  }
}

}  // namespace quillo
