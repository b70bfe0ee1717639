// The folder dialog component: shows the host's modal folder chooser, preselects the folder
// chosen last, and remembers the new choice.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/folder_browser.h"

namespace quillo {

enum TBrowseOption : uint8_t {
  biBrowseForComputer = 1 << 0,
  biBrowseForPrinter = 1 << 1,
  biDontGoBelowDomain = 1 << 2,
  biReturnFSAncestors = 1 << 3,
  biReturnOnlyFSDirs = 1 << 4,
  biStatusText = 1 << 5,
};
using TBrowseOptions = uint8_t;

// The shell's browse flags for a set of options.
unsigned BrowseFlags(TBrowseOptions options);

enum TOKButtonState : uint8_t { obsDefault, obsEnabled, obsDisabled };

class TBrowseDialog;

// Receives the dialog's path and may set the status text and the OK button's state; both are
// reset to the empty text and obsDefault before every call.
using TBrowseDialogEvent =
    std::function<void(TBrowseDialog& Sender, BrowseDialogWindow& Wnd, const std::string& Path,
                       std::string& ShowText, TOKButtonState& OKButtonState)>;

class TBrowseDialog {
 public:
  explicit TBrowseDialog(FolderBrowser& browser) : browser_(browser) {}
  TBrowseDialog(const TBrowseDialog&) = delete;
  TBrowseDialog& operator=(const TBrowseDialog&) = delete;

  // Shows the dialog; true when a folder was chosen (Directory then holds it, empty for an item
  // without a file-system path). False after a cancel or when the host has no allocator.
  // Throws Exception when the root folder or the display-name buffer cannot be prepared.
  bool Execute();

  const std::string& Directory() const { return directory_; }
  void SetDirectory(std::string directory) { directory_ = std::move(directory); }
  const std::string& DisplayName() const { return display_name_; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption) { caption_ = std::move(caption); }
  const std::string& Root() const { return root_; }
  void SetRoot(std::string root) { root_ = std::move(root); }
  TBrowseOptions Options() const { return options_; }
  void SetOptions(TBrowseOptions options) { options_ = options; }

  TBrowseDialogEvent OnInitialized;
  TBrowseDialogEvent OnSelectionChanged;

 private:
  void HandleEvent(BrowseDialogWindow& dialog, int event, const std::string& path);
  // The folder to preselect: Directory without a trailing delimiter, except for a drive root.
  std::string InitialSelection() const;

  FolderBrowser& browser_;
  std::string directory_;
  std::string display_name_;
  std::string caption_;
  std::string root_;
  TBrowseOptions options_ = biReturnOnlyFSDirs;
};

}  // namespace quillo
