#include "form/controls.h"

#include <algorithm>

#include "platform/errors.h"

namespace quillo {

void RadioGroup::SetItemIndex(int index) { SelectItem(std::clamp(index, -1, ItemCount() - 1)); }

std::string CheckedLine(const ListEditor& editor, int index) {
  if (index < 0 || index >= editor.LineCount()) throw EListError(kListIndexErrorMessage);
  return editor.Line(index);
}

}  // namespace quillo
