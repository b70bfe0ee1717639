// Modal message boxes. The host installs the sink that shows them; without one they are dropped.
#pragma once

#include <cstdint>
#include <string>

namespace quillo {

// miQuietWarning: a remark on a file's data that the window does not show and the shell front end
// prints as a warning about the file in progress.
enum TMessageIcon : uint8_t { miError, miWarning, miQuietWarning };

class MessageBoxSink {
 public:
  virtual ~MessageBoxSink() = default;
  // Shows a modal box with the icon and one OK button, and returns when it is closed.
  virtual void Show(TMessageIcon icon, const std::string& caption, const std::string& text) = 0;
};

// Installs the sink for the lifetime of the guard (the previous one comes back afterwards).
class ScopedMessageBoxSink {
 public:
  explicit ScopedMessageBoxSink(MessageBoxSink& sink);
  ~ScopedMessageBoxSink();
  ScopedMessageBoxSink(const ScopedMessageBoxSink&) = delete;
  ScopedMessageBoxSink& operator=(const ScopedMessageBoxSink&) = delete;

 private:
  MessageBoxSink* previous_;
};

// On a thread that collects its warnings (platform/warning_collector.h) the box is kept and shown
// when the collector's owner shows them.
void ShowMessageBox(TMessageIcon icon, const std::string& caption, const std::string& text);

}  // namespace quillo
