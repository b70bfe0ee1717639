// The folder chooser of the Qt host: a modal directory dialog that opens where the request's
// callback points it and tells the callback about each folder the user moves to.
#pragma once

#include <string>

#include "platform/folder_browser.h"

class QWidget;

namespace quillo {

class QtFolderBrowser : public FolderBrowser {
 public:
  explicit QtFolderBrowser(QWidget* owner) : owner_(owner) {}
  bool ParseDisplayName(const std::string& path) override;
  // The dialog shows its status line only when the request's flags ask for one. An exception
  // from the request's callback closes the dialog and leaves Browse.
  BrowseResult Browse(const BrowseRequest& request) override;

 private:
  QWidget* owner_;
};

}  // namespace quillo
