#include "image/metadata/exif_tags.h"

#include <algorithm>
#include <iterator>

namespace quillo {
namespace {

// In ascending order.
constexpr uint16_t kLayoutTags[] = {
    254, 255, 256, 257, 258, 259, 262, 263, 264, 265,   266,   273,   277,   278,
    279, 280, 281, 284, 288, 289, 290, 291, 292, 293,   317,   320,   321,   322,
    323, 324, 325, 330, 332, 338, 339, 340, 341, 347,   512,   513,   514,   515,
    517, 518, 519, 520, 521, 529, 530, 532, 700, 33723, 34377, 34675, 37724,
};

}  // namespace

bool IsLayoutTag(uint16_t tag) {
  return std::binary_search(std::begin(kLayoutTags), std::end(kLayoutTags), tag);
}

bool IsLeftOutOfTiff(uint16_t tag) { return tag == 282 || tag == 283 || tag == 296 || tag == 531; }

bool IsOtherPictureGroup(const std::string& group) {
  return group.rfind("SubImage", 0) == 0 || group.rfind("SubThumb", 0) == 0 || group == "Image2" ||
         group == "Image3";
}

}  // namespace quillo
