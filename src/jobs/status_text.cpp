#include "jobs/status_text.h"

#include <string_view>

#include "jobs/job_run.h"
#include "platform/translation.h"

namespace quillo {

std::string TranslateStatusText(const std::string& status) {
  if (const std::optional<std::string> path = ProgressPath(status)) {
    return Translate(kProgressPrefix) + *path;
  }
  return Translate(status);
}

std::optional<std::string> ProgressPath(const std::string& status) {
  constexpr std::string_view kPrefix = kProgressPrefix;
  if (!status.starts_with(kPrefix)) return std::nullopt;
  return status.substr(kPrefix.size());
}

}  // namespace quillo
