#include "cli/job_progress.h"

#include <algorithm>
#include <cstdio>

#include "jobs/status_text.h"

namespace quillo {

void JobProgress::Start(std::vector<std::string> lines, bool announces_every_file) {
  lines_ = std::move(lines);
  announces_every_file_ = announces_every_file;
  announced_ = 0;
  start_ = std::chrono::steady_clock::now();
  file_.reset();
  index_ = 0;
  pumps_since_status_ = 0;
  pumps_ = 0;
}

std::optional<std::string> JobProgress::OnStatus(const std::string& status) {
  std::optional<std::string> path = ProgressPath(status);
  if (!path) return std::nullopt;
  // A list may name a file twice: the next line at or after the one in progress is meant.
  const size_t from = file_ ? index_ + 1 : 0;
  const auto found =
      std::find(lines_.begin() + static_cast<std::ptrdiff_t>(std::min(from, lines_.size())),
                lines_.end(), *path);
  index_ = found != lines_.end() ? static_cast<size_t>(found - lines_.begin()) : from;
  file_ = std::move(path);
  ++announced_;
  pumps_since_status_ = 0;
  return "[" + std::to_string(index_ + 1) + "/" + std::to_string(lines_.size()) + "] " + *file_;
}

void JobProgress::OnPump() {
  if (announces_every_file_) return;
  ++pumps_;
  if (++pumps_since_status_ > 1 && file_ && index_ + 1 < lines_.size()) file_ = lines_[++index_];
}

std::string JobProgress::Summary(bool file_by_file, bool completed) const {
  size_t done = lines_.size();
  const size_t started = announces_every_file_ ? announced_ : pumps_;
  if (file_by_file) done = completed || started == 0 ? started : started - 1;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  char time[32];
  std::snprintf(time, sizeof time, "%.1f", seconds);
  return std::to_string(done) + (done == 1 ? " file" : " files") + " done in " + time + " s";
}

}  // namespace quillo
