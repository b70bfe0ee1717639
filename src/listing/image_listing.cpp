#include "listing/image_listing.h"

#include <iterator>

#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/path.h"
#include "platform/text_compare.h"

namespace quillo {

bool TSortedPathList::Order::operator()(const std::string& a, const std::string& b) const {
  const int order = CompareTextIgnoreCase(a, b);
  return order != 0 ? order < 0 : a < b;
}

bool TSortedPathList::Add(std::string path) { return paths_.insert(std::move(path)).second; }

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

void FindFiles(const std::string& folder, TSortedPathList& target, std::string_view masks,
               TFindOptions options) {
  if (!DirectoryExists(folder)) throw Exception(folder + "is Invalid.");
  const std::string base = AddTrailingBackslash(folder);
  const std::vector<std::string> patterns = SplitMasks(masks);
  EnumerateFolder(base, [&](const FolderEntry& entry) {
    if (entry.name == "." || entry.name == "..") return;
    if (entry.is_folder) {
      if (options & foFolders) target.Add(base + entry.name);
      if (options & foSubFolders) FindFiles(base + entry.name, target, masks, options);
      return;
    }
    if (!(options & foFiles)) return;
    const std::string extension = UpperCase(ExtractFileExt(entry.name));
    for (const std::string& pattern : patterns) {
      if (pattern == ".*" || extension == UpperCase(pattern)) target.Add(base + entry.name);
    }
  });
}

void ListImageFiles(const std::string& folder, std::string_view masks, ListEditor& lines,
                    TFindOptions options) {
  TSortedPathList found;
  FindFiles(folder, found, masks, options);
  lines.SetLines(found.Items());
}

std::string MaskListForImageType(int item_index) {
  if (item_index < 0 || item_index >= static_cast<int>(std::size(kImageTypes))) return "";
  return std::string(kImageTypes[item_index].masks);
}

}  // namespace quillo
