// Listing the image files of a folder, optionally with its subfolders, sorted, into a list editor.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "form/controls.h"

namespace quillo {

enum TFindOption : uint8_t { foFolders = 1, foFiles = 2, foSubFolders = 4 };
using TFindOptions = uint8_t;

// Paths kept sorted without regard to letter case. Names that differ only in case are both
// real files on a case-sensitive file system, so ties are broken byte-wise; only an exact
// duplicate is refused.
class TSortedPathList {
 public:
  bool Add(std::string path);
  std::vector<std::string> Items() const { return {paths_.begin(), paths_.end()}; }
  size_t Count() const { return paths_.size(); }

 private:
  struct Order {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  std::set<std::string, Order> paths_;
};

// "*.jpg;*.jpeg" gives ".jpg" and ".jpeg"; "*.*" gives ".*"; empty parts are dropped.
std::vector<std::string> SplitMasks(std::string_view masks);

// Adds the matching paths below the folder; raises "<folder>is Invalid." for a missing folder.
void FindFiles(const std::string& folder, TSortedPathList& target, std::string_view masks,
               TFindOptions options);

// Replaces the editor's lines by the sorted result; on an error the lines stay as they were.
void ListImageFiles(const std::string& folder, std::string_view masks, ListEditor& lines,
                    TFindOptions options);

inline constexpr char kJpegMasks[] = "*.jpg;*.jpeg";

// The items of the listing tabs' image-type radio groups, in order, with the masks each lists.
struct ImageType {
  std::string_view name;
  std::string_view masks;
};
inline constexpr ImageType kImageTypes[] = {
    {"jpg", kJpegMasks}, {"tif", "*.tif;*.tiff"}, {"bmp", "*.bmp"}, {"all", "*.*"}};

// The mask list chosen by an image-type radio item; empty when no item is selected.
std::string MaskListForImageType(int item_index);

}  // namespace quillo
