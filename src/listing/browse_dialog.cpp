#include "listing/browse_dialog.h"

#include "platform/errors.h"
#include "platform/path.h"

namespace quillo {
namespace {

struct OptionFlag {
  TBrowseOption option;
  unsigned flag;
};

constexpr OptionFlag kOptionFlags[] = {
    {biBrowseForComputer, 0x1000}, {biBrowseForPrinter, 0x2000},
    {biDontGoBelowDomain, 0x0002}, {biReturnFSAncestors, 0x0008},
    {biReturnOnlyFSDirs, 0x0001},  {biStatusText, kBrowseStatusTextFlag},
};

}  // namespace

unsigned BrowseFlags(TBrowseOptions options) {
  unsigned flags = 0;
  for (const OptionFlag& entry : kOptionFlags) {
    if (options & entry.option) flags |= entry.flag;
  }
  return flags;
}

bool TBrowseDialog::Execute() {
  if (!browser_.AcquireAllocator()) return false;

  BrowseRequest request;
  if (!root_.empty()) {
    if (!browser_.OpenDesktopFolder()) throw Exception("TBrowseDialog: SHGetDesktopFolder Failed.");
    if (browser_.ParseDisplayName(root_)) request.root = root_;
  }
  if (!browser_.AllocateDisplayName()) throw Exception("TBrowseDialog: ppmem.Alloc Failed.");

  request.title = caption_;
  request.flags = BrowseFlags(options_);
  request.callback = [this](BrowseDialogWindow& dialog, int event, const std::string& path) {
    HandleEvent(dialog, event, path);
  };

  const BrowseResult result = browser_.Browse(request);
  if (!result.chosen) return false;
  display_name_ = result.display_name;
  directory_ = result.path.value_or("");
  return true;
}

std::string TBrowseDialog::InitialSelection() const {
  // Only a single-byte delimiter counts: the second byte of a double-byte character may have the
  // same value and must stay. Three bytes ("D:\") is a drive root, which keeps its delimiter.
  if (directory_.size() > 3 && EndsInDelimiter(directory_)) {
    return directory_.substr(0, directory_.size() - 1);
  }
  return directory_;
}

void TBrowseDialog::HandleEvent(BrowseDialogWindow& dialog, int event, const std::string& path) {
  std::string show_text;
  TOKButtonState ok_state = obsDefault;
  if (event == beSelectionChanged) {
    if (OnSelectionChanged) OnSelectionChanged(*this, dialog, path, show_text, ok_state);
  } else if (event == beInitialized) {
    const std::string initial = InitialSelection();
    if (!initial.empty()) dialog.SetSelection(initial);
    if (OnInitialized) OnInitialized(*this, dialog, initial, show_text, ok_state);
  }
  dialog.SetStatusText(show_text);
  if (ok_state == obsEnabled) dialog.EnableOk(true);
  if (ok_state == obsDisabled) dialog.EnableOk(false);
}

}  // namespace quillo
