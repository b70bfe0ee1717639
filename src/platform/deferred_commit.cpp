#include "platform/deferred_commit.h"

#include "platform/file_stream.h"

namespace quillo {
namespace {

thread_local DeferredCommits* t_current = nullptr;

}  // namespace

DeferredCommits::DeferredCommits() = default;
DeferredCommits::~DeferredCommits() = default;
DeferredCommits::DeferredCommits(DeferredCommits&&) noexcept = default;
DeferredCommits& DeferredCommits::operator=(DeferredCommits&&) noexcept = default;

void DeferredCommits::Hold(std::unique_ptr<TFileStream> file) { files_.push_back(std::move(file)); }

void DeferredCommits::CommitAll() {
  // Taken out first, so that a failure leaves nothing held and the rest are discarded with it.
  std::vector<std::unique_ptr<TFileStream>> files = std::move(files_);
  files_.clear();
  for (const std::unique_ptr<TFileStream>& file : files) file->Commit();
}

void DeferredCommits::Discard() noexcept { files_.clear(); }

ScopedDeferredCommits::ScopedDeferredCommits(DeferredCommits& commits) : previous_(t_current) {
  t_current = &commits;
}

ScopedDeferredCommits::~ScopedDeferredCommits() { t_current = previous_; }

DeferredCommits* CurrentDeferredCommits() { return t_current; }

}  // namespace quillo
