#include "platform/message_box.h"

#include "platform/warning_collector.h"

namespace quillo {
namespace {

MessageBoxSink* g_sink = nullptr;

}  // namespace

ScopedMessageBoxSink::ScopedMessageBoxSink(MessageBoxSink& sink) : previous_(g_sink) {
  g_sink = &sink;
}

ScopedMessageBoxSink::~ScopedMessageBoxSink() { g_sink = previous_; }

void ShowMessageBox(TMessageIcon icon, const std::string& caption, const std::string& text) {
  ReportWarning([icon, caption, text] {
    if (g_sink != nullptr) g_sink->Show(icon, caption, text);
  });
}

}  // namespace quillo
