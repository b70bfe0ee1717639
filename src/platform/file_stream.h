// File streams. A stream opened for creating writes into a temporary file beside the target and
// replaces the target only on Commit(), so a failure half-way never damages an existing file.
#pragma once

#include <string>

#include "platform/stream.h"

namespace quillo {

enum TFileMode : uint8_t { fmOpenRead, fmCreate };

class TFileStream : public TStream {
 public:
  // Throws EFOpenError (fmOpenRead) or EFCreateError (fmCreate) with the full path.
  TFileStream(const std::string& path, TFileMode mode);
  // An uncommitted created file is discarded; the target keeps its old content.
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;

  // Closes the temporary file and renames it over the target.
  // Throws EWriteError when that fails (the temporary file is removed). A no-op for read streams.
  void Commit();

  const std::string& FileName() const { return path_; }
  // The open file descriptor (of the temporary file while creating).
  int Handle() const { return fd_; }

 private:
  void Discard() noexcept;

  std::string path_;
  std::string temp_path_;
  int fd_ = -1;
  bool writing_ = false;
};

// The absolute form of a path, as the file layer quotes it in its messages.
std::string ExpandFileName(const std::string& path);

// Reads a whole file (EFOpenError / EReadError on failure).
std::string ReadWholeFile(const std::string& path);
// Writes a whole file atomically (EFCreateError / EWriteError on failure).
void WriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace quillo
