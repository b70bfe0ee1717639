#include "jobs/target_collision.h"

#include <optional>

#include "form/controls.h"
#include "platform/errors.h"
#include "platform/file_stream.h"

namespace quillo {

PendingSources::PendingSources(const ListEditor& list, int count) {
  for (int i = 0; i < count; ++i) {
    std::string line = list.Line(i);
    if (const std::optional<FileIdentity> id = IdentifyFile(line)) {
      listed_[*id] = {i, std::move(line)};
    }
  }
}

void PendingSources::CheckTarget(int index, const std::string& source,
                                 const std::string& target) const {
  const std::optional<FileIdentity> id = IdentifyFile(target);
  if (!id || id == IdentifyFile(source)) return;
  const auto found = listed_.find(*id);
  if (found == listed_.end() || found->second.last_index <= index) return;
  throw EFCreateError(
      Format(kPendingSourcePattern, {ExpandFileName(target), ExpandFileName(found->second.line)}));
}

}  // namespace quillo
