#include "app/controls.h"

#include <algorithm>

namespace quillo {

void RadioGroup::SetItemIndex(int index) { SelectItem(std::clamp(index, -1, ItemCount() - 1)); }

}  // namespace quillo
