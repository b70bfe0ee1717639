#include "listing/image_listing.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/path.h"
#include "platform/text_compare.h"

namespace quillo {

bool TSortedPathList::Order::operator()(const std::string& a, const std::string& b) const {
  const int order = CompareTextIgnoreCase(a, b);
  return order != 0 ? order < 0 : a < b;
}

bool TSortedPathList::Add(std::string path) {
  if (path.find_first_of("\r\n") != std::string::npos) {
    // Every matching pattern adds a path again, one right after the other.
    if (left_out_.empty() || left_out_.back() != path) left_out_.push_back(std::move(path));
    return false;
  }
  return paths_.insert(std::move(path)).second;
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

// One level of the search; open_folders holds the folder being searched and those it lies in.
void FindFilesBelow(const std::string& folder, TSortedPathList& target, std::string_view masks,
                    TFindOptions options, std::vector<FileIdentity>& open_folders) {
  if (!DirectoryExists(folder)) throw Exception(folder + "is Invalid.");
  const std::string base = AddTrailingBackslash(folder);
  const std::vector<std::string> patterns = SplitMasks(masks);
  if (const std::optional<FileIdentity> self = IdentifyFile(folder)) open_folders.push_back(*self);
  const size_t depth = open_folders.size();
  EnumerateFolder(base, [&](const FolderEntry& entry) {
    if (entry.name == "." || entry.name == "..") return;
    if (entry.is_folder) {
      if (options & foFolders) target.Add(base + entry.name);
      if (!(options & foSubFolders)) return;
      const std::optional<FileIdentity> sub = IdentifyFile(base + entry.name);
      if (sub && std::find(open_folders.begin(), open_folders.end(), *sub) != open_folders.end()) {
        return;
      }
      FindFilesBelow(base + entry.name, target, masks, options, open_folders);
      open_folders.resize(depth);
      return;
    }
    if (!(options & foFiles)) return;
    const std::string extension = UpperCase(ExtractFileExt(entry.name));
    for (const std::string& pattern : patterns) {
      if (pattern == ".*" || extension == UpperCase(pattern)) target.Add(base + entry.name);
    }
  });
}

}  // namespace

void FindFiles(const std::string& folder, TSortedPathList& target, std::string_view masks,
               TFindOptions options) {
  std::vector<FileIdentity> open_folders;
  FindFilesBelow(folder, target, masks, options, open_folders);
}

std::vector<std::string> ListImageFiles(const std::string& folder, std::string_view masks,
                                        ListEditor& lines, TFindOptions options) {
  TSortedPathList found;
  FindFiles(folder, found, masks, options);
  lines.SetLines(found.Items());
  return found.LeftOut();
}

std::string MaskListForImageType(int item_index) {
  if (item_index < 0 || item_index >= static_cast<int>(std::size(kImageTypes))) return "";
  return std::string(kImageTypes[item_index].masks);
}

}  // namespace quillo
