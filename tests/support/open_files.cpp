#include "support/open_files.h"

#include <filesystem>
#include <system_error>

namespace quillo::testing {

int OpenFilesUnder(const std::string& folder) {
  const std::string prefix = std::filesystem::path(folder).lexically_normal().string();
  int count = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
    const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
    if (!error && target.rfind(prefix, 0) == 0) ++count;
  }
  return count;
}

}  // namespace quillo::testing
