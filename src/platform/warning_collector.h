// Warnings raised on a worker thread. While a thread holds a ScopedWarningCollector, a warning is
// kept as the action that shows it, and the job's own thread shows it later, with the result of
// the file it belongs to: no worker touches the user interface.
#pragma once

#include <functional>
#include <vector>

namespace quillo {

// Shows one warning; run on the thread that owns the user interface.
using ShowWarning = std::function<void()>;

class WarningCollector {
 public:
  void Add(ShowWarning show) { warnings_.push_back(std::move(show)); }
  // Shows the warnings in the order they were raised, and forgets them.
  void ShowAll();
  bool Empty() const { return warnings_.empty(); }

 private:
  std::vector<ShowWarning> warnings_;
};

// Collects the calling thread's warnings into the collector for the guard's lifetime.
class ScopedWarningCollector {
 public:
  explicit ScopedWarningCollector(WarningCollector& collector);
  ~ScopedWarningCollector();
  ScopedWarningCollector(const ScopedWarningCollector&) = delete;
  ScopedWarningCollector& operator=(const ScopedWarningCollector&) = delete;

 private:
  WarningCollector* previous_;
};

// Shows the warning at once, or keeps it when the calling thread collects its warnings.
void ReportWarning(ShowWarning show);

}  // namespace quillo
