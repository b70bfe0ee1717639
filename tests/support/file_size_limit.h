// Limits the size of files this process may write for the life of the guard, so that a write
// fails half-way as on a full disk; the signal the limit raises is ignored so that the write
// reports the failure instead.
#pragma once

#include <signal.h>
#include <sys/resource.h>

namespace quillo::testing {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  sighandler_t previous_handler_;
  rlimit previous_{};
};

}  // namespace quillo::testing
