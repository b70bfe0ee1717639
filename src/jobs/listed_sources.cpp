#include "jobs/listed_sources.h"

#include <optional>

#include "platform/errors.h"

namespace quillo {

ListedSources::ListedSources(const ListEditor& list) {
  const int count = list.LineCount();
  for (int i = 0; i < count; ++i) {
    const std::string path = list.Line(i);
    if (!FileExists(path)) continue;
    if (const std::optional<FileIdentity> id = IdentifyFile(path)) sources_.emplace(*id, path);
  }
}

void ListedSources::CheckTarget(const std::string& source, const std::string& target) const {
  const std::optional<FileIdentity> target_id = IdentifyFile(target);
  if (!target_id) return;
  const auto listed = sources_.find(*target_id);
  if (listed == sources_.end() || IdentifyFile(source) == target_id) return;
  throw EFCreateError(Format(kTargetIsListedSourcePattern, {source, listed->second}));
}

}  // namespace quillo
