// Listing the image files of a folder, optionally with its subfolders, sorted, into a list editor.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "form/controls.h"
#include "form/text_lines.h"

namespace quillo {

enum TFindOption : uint8_t { foFolders = 1, foFiles = 2, foSubFolders = 4 };
using TFindOptions = uint8_t;

// Paths kept sorted without regard to letter case. Names that differ only in case are both
// real files on a case-sensitive file system, so ties are broken byte-wise; only an exact
// duplicate is refused. A path holding a line break cannot be one line of a list: it is refused
// too and kept apart, so that it can be reported. The paths lie one after another in one buffer
// and are sorted once, when they are taken.
class TSortedPathList {
 public:
  bool Add(std::string_view path) { return Add(path, {}); }
  // Adds folder + name, joined as they stand, without making the path first.
  bool Add(std::string_view folder, std::string_view name);
  // A sorted copy of the paths.
  std::vector<std::string> Items() const;
  size_t Count() const { return paths_.Count(); }
  // Hands the paths over as lines, sorted; the list holds no paths afterwards.
  TextLines TakeLines();
  // The paths refused for a line break, in the order they were found.
  const std::vector<std::string>& LeftOut() const { return left_out_; }

 private:
  // An open-addressing table of the paths added, for refusing duplicates as they come.
  struct Slot {
    uint32_t hash = 0;
    uint32_t path = 0;  // index + 1; 0 for a free slot
  };

  bool Before(std::string_view a, std::string_view b) const;
  void GrowTable();

  TextLines paths_;
  std::vector<Slot> table_;
  // How many leading bytes all paths share; they play no part in the order.
  size_t shared_prefix_ = 0;
  std::vector<std::string> left_out_;
};

// "*.jpg;*.jpeg" gives ".jpg" and ".jpeg"; "*.*" gives ".*"; empty parts are dropped.
std::vector<std::string> SplitMasks(std::string_view masks);

// Adds the matching paths below the folder; raises "<folder>is Invalid." for a missing folder.
// A subfolder that is the folder itself or one of the folders it lies in (a link leading back)
// is not entered again, so that a loop of links ends.
void FindFiles(const std::string& folder, TSortedPathList& target, std::string_view masks,
               TFindOptions options);

// Replaces the editor's lines by the sorted result and returns the paths left out for a line
// break; on an error the lines stay as they were.
std::vector<std::string> ListImageFiles(const std::string& folder, std::string_view masks,
                                        ListEditor& lines, TFindOptions options);

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
