#include "platform/warning_collector.h"

namespace quillo {
namespace {

thread_local WarningCollector* t_current = nullptr;

}  // namespace

void WarningCollector::ShowAll() {
  std::vector<ShowWarning> warnings = std::move(warnings_);
  warnings_.clear();
  for (const ShowWarning& show : warnings) show();
}

ScopedWarningCollector::ScopedWarningCollector(WarningCollector& collector) : previous_(t_current) {
  t_current = &collector;
}

ScopedWarningCollector::~ScopedWarningCollector() { t_current = previous_; }

void ReportWarning(ShowWarning show) {
  if (t_current != nullptr) {
    t_current->Add(std::move(show));
  } else {
    show();
  }
}

}  // namespace quillo
