#include "platform/file_copy.h"

#include <unistd.h>

#include <cerrno>

namespace quillo {

void CopyFileContent(TFileStream& source, TFileStream& target, int64_t count) {
  while (count > 0) {
    const ssize_t n = ::copy_file_range(source.Handle(), nullptr, target.Handle(), nullptr,
                                        static_cast<size_t>(count), 0);
    if (n < 0 && errno == EINTR) continue;
    // Unsupported, or a real failure: the buffered copy carries on from here and names which
    // side failed.
    if (n <= 0) break;
    count -= n;
  }
  if (count > 0) target.CopyFrom(source, count);
}

void CopyFileAtomically(const std::string& source, const std::string& target) {
  TFileStream input(source, fmOpenRead);
  TFileStream output(target, fmCreate);
  CopyFileContent(input, output, input.Size());
  output.Commit();
}

}  // namespace quillo
