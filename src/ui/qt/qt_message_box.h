// The message boxes of the Qt host: errors over the main window, warnings on their own.
#pragma once

#include <string>

#include "platform/message_box.h"

class QWidget;

namespace quillo {

class QtMessageBoxSink : public MessageBoxSink {
 public:
  explicit QtMessageBoxSink(QWidget* owner) : owner_(owner) {}
  void Show(TMessageIcon icon, const std::string& caption, const std::string& text) override;

 private:
  QWidget* owner_;
};

}  // namespace quillo
