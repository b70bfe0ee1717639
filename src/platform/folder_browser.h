// The modal folder chooser of the host, with the shell's steps as separate calls so that each of
// their failures can happen (and be tested) where the shell would fail.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace quillo {

// The open dialog as its callback sees it.
class BrowseDialogWindow {
 public:
  virtual ~BrowseDialogWindow() = default;
  virtual void SetSelection(const std::string& path) = 0;
  virtual void SetStatusText(const std::string& text) = 0;
  virtual void EnableOk(bool enabled) = 0;
};

// Dialog events as the shell numbers them.
enum TBrowseEvent : int { beInitialized = 1, beSelectionChanged = 2 };

// The shell's browse flag that asks for a status line in the dialog.
inline constexpr unsigned kBrowseStatusTextFlag = 0x0004;

struct BrowseRequest {
  std::string title;
  std::optional<std::string> root;  // none: the whole namespace
  unsigned flags = 0;
  // Runs for every dialog event; path is the selected item's file-system path (empty if none).
  std::function<void(BrowseDialogWindow& dialog, int event, const std::string& path)> callback;
};

struct BrowseResult {
  bool chosen = false;
  std::string display_name;
  std::optional<std::string> path;  // none: the chosen item has no file-system path
};

class FolderBrowser {
 public:
  virtual ~FolderBrowser() = default;
  virtual bool AcquireAllocator() { return true; }
  virtual bool OpenDesktopFolder() { return true; }
  // Whether a root folder text names an item the dialog can start from.
  virtual bool ParseDisplayName(const std::string& path) = 0;
  virtual bool AllocateDisplayName() { return true; }
  // Shows the dialog modally; the host's other windows are disabled meanwhile.
  virtual BrowseResult Browse(const BrowseRequest& request) = 0;
};

}  // namespace quillo
