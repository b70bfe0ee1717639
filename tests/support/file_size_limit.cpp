#include "support/file_size_limit.h"

namespace quillo::testing {

FileSizeLimit::FileSizeLimit(rlim_t bytes) : previous_handler_(::signal(SIGXFSZ, SIG_IGN)) {
  ::getrlimit(RLIMIT_FSIZE, &previous_);
  rlimit limit = previous_;
  limit.rlim_cur = bytes;
  ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
  ::setrlimit(RLIMIT_FSIZE, &previous_);
  ::signal(SIGXFSZ, previous_handler_);
}

}  // namespace quillo::testing
