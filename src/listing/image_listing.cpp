#include "listing/image_listing.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <optional>
#include <utility>

#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/path.h"
#include "platform/text_compare.h"

namespace quillo {

bool TSortedPathList::Add(std::string_view folder, std::string_view name) {
  paths_.AppendJoined(folder, name);
  const std::string_view path = paths_[paths_.Count() - 1];
  if (path.find_first_of("\r\n") != std::string_view::npos) {
    // Every matching pattern adds a path again, one right after the other.
    if (left_out_.empty() || left_out_.back() != path) left_out_.emplace_back(path);
    paths_.RemoveLast();
    return false;
  }
  if (2 * paths_.Count() > table_.size()) GrowTable();
  const auto hash = static_cast<uint32_t>(std::hash<std::string_view>{}(path));
  const size_t mask = table_.size() - 1;
  size_t at = hash & mask;
  for (; table_[at].path != 0; at = (at + 1) & mask) {
    if (table_[at].hash == hash && paths_[table_[at].path - 1] == path) {
      paths_.RemoveLast();
      return false;
    }
  }
  // The table can only ever hold as many paths as memory allows, far below 2^32.
  table_[at] = {hash, static_cast<uint32_t>(paths_.Count())};
  const std::string_view first = paths_[0];
  shared_prefix_ =
      paths_.Count() == 1
          ? path.size()
          : static_cast<size_t>(std::mismatch(first.begin(), first.begin() + shared_prefix_,
                                              path.begin(), path.end())
                                    .first -
                                first.begin());
  return true;
}

void TSortedPathList::GrowTable() {
  constexpr size_t kFirstSize = 64;
  const std::vector<Slot> old =
      std::exchange(table_, std::vector<Slot>(std::max(kFirstSize, 2 * table_.size())));
  const size_t mask = table_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.path == 0) continue;
    size_t at = slot.hash & mask;
    while (table_[at].path != 0) at = (at + 1) & mask;
    table_[at] = slot;
  }
}

bool TSortedPathList::Before(std::string_view a, std::string_view b) const {
  a.remove_prefix(shared_prefix_);
  b.remove_prefix(shared_prefix_);
  const int order = CompareTextIgnoreCase(a, b);
  return order != 0 ? order < 0 : a < b;
}

std::vector<std::string> TSortedPathList::Items() const {
  std::vector<std::string_view> sorted;
  sorted.reserve(paths_.Count());
  for (size_t i = 0; i < paths_.Count(); ++i) sorted.push_back(paths_[i]);
  std::sort(sorted.begin(), sorted.end(),
            [this](std::string_view a, std::string_view b) { return Before(a, b); });
  return {sorted.begin(), sorted.end()};
}

TextLines TSortedPathList::TakeLines() {
  table_ = {};
  paths_.Sort([this](std::string_view a, std::string_view b) { return Before(a, b); });
  shared_prefix_ = 0;
  return std::exchange(paths_, TextLines());
}

std::vector<std::string> SplitMasks(std::string_view masks) {
  std::vector<std::string> patterns;
  size_t start = 0;
  while (start <= masks.size()) {
    const size_t end = std::min(masks.find(';', start), masks.size());
    std::string_view part = masks.substr(start, end - start);
    if (!part.empty() && part.front() == '*') part.remove_prefix(1);
    if (end - start > 0) patterns.emplace_back(part);
    start = end + 1;
  }
  return patterns;
}

namespace {

// Whether the name's extension, upper-cased, equals one of the upper-cased patterns, or a
// pattern is ".*".
bool MatchesAny(std::string_view name, const std::vector<std::string>& upper_patterns) {
  const std::string_view extension = FileExtensionOf(name);
  return std::any_of(upper_patterns.begin(), upper_patterns.end(), [&](const std::string& p) {
    return p == ".*" || UpperCaseEquals(extension, p);
  });
}

// One level of the search; open_folders holds the folder being searched and those it lies in.
void FindFilesBelow(const std::string& folder, TSortedPathList& target,
                    const std::vector<std::string>& upper_patterns, TFindOptions options,
                    std::vector<FileIdentity>& open_folders) {
  if (!DirectoryExists(folder)) throw Exception(folder + "is Invalid.");
  const std::string base = AddTrailingBackslash(folder);
  if (const std::optional<FileIdentity> self = IdentifyFile(folder)) open_folders.push_back(*self);
  const size_t depth = open_folders.size();
  EnumerateFolder(base, [&](const FolderEntry& entry) {
    if (entry.name == "." || entry.name == "..") return;
    if (entry.is_folder) {
      if (options & foFolders) target.Add(base, entry.name);
      if (!(options & foSubFolders)) return;
      const std::string sub_folder = base + entry.name;
      const std::optional<FileIdentity> sub = IdentifyFile(sub_folder);
      if (sub && std::find(open_folders.begin(), open_folders.end(), *sub) != open_folders.end()) {
        return;
      }
      FindFilesBelow(sub_folder, target, upper_patterns, options, open_folders);
      open_folders.resize(depth);
      return;
    }
    // Each matching pattern would add the path again, and the list would refuse it: once is
    // enough.
    if ((options & foFiles) && MatchesAny(entry.name, upper_patterns)) target.Add(base, entry.name);
  });
}

}  // namespace

void FindFiles(const std::string& folder, TSortedPathList& target, std::string_view masks,
               TFindOptions options) {
  std::vector<std::string> upper_patterns = SplitMasks(masks);
  for (std::string& pattern : upper_patterns) pattern = UpperCase(pattern);
  std::vector<FileIdentity> open_folders;
  FindFilesBelow(folder, target, upper_patterns, options, open_folders);
}

std::vector<std::string> ListImageFiles(const std::string& folder, std::string_view masks,
                                        ListEditor& lines, TFindOptions options) {
  TSortedPathList found;
  FindFiles(folder, found, masks, options);
  lines.ReplaceLines(found.TakeLines());
  return found.LeftOut();
}

std::string MaskListForImageType(int item_index) {
  if (item_index < 0 || item_index >= static_cast<int>(std::size(kImageTypes))) return "";
  return std::string(kImageTypes[item_index].masks);
}

}  // namespace quillo
