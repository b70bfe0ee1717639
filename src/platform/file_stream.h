// File streams. A stream opened for creating writes into an unnamed temporary file in the target's
// folder (a short hidden name where the file system has no unnamed files) and puts it in place of
// the target only on Commit(), so a failure, or a kill, half-way never damages an existing file.
// A replaced file's successor is on the disk before it takes the name.
#pragma once

#include <string>

#include "platform/stream.h"

namespace quillo {

enum TFileMode : uint8_t { fmOpenRead, fmCreate };

class TFileStream : public TStream {
 public:
  // Throws EFOpenError (fmOpenRead) or EFCreateError (fmCreate) with the full path. Reading never
  // waits: anything but a regular file is refused. An existing target the process may not write,
  // or one without any write bit, is refused too, although the folder would let it be replaced.
  TFileStream(const std::string& path, TFileMode mode);
  // An uncommitted created file is discarded; the target keeps its old content.
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  // Takes over the open file, the temporary one included; the moved-from stream holds nothing.
  TFileStream(TFileStream&& other) noexcept;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;

  // Gives the temporary file the target's name, replacing the target in one step.
  // Throws EWriteError when that fails (the temporary file is removed). A no-op for read streams.
  // On a thread that holds commits back (platform/deferred_commit.h) the finished file is handed
  // over instead, and takes its name when the holder commits it.
  void Commit();

  const std::string& FileName() const { return path_; }
  // The open file descriptor (of the temporary file while creating).
  int Handle() const { return fd_; }

 private:
  void OpenForReading();
  void CreateTemporary();
  // Names the unnamed temporary file: the target's name when it is free, else a short hidden
  // name that is then renamed over the target. False with errno set when that fails.
  bool LinkUnnamed();
  // Renames the named temporary file over the target, its data flushed first when it replaces a
  // file, so that a power cut leaves the old file or the new one.
  bool RenameNamed();
  // Renames `from` over the existing target and flushes the folder, so that the rename lasts.
  bool RenameOverTarget(const std::string& from);
  void Discard() noexcept;

  std::string path_;
  std::string temp_path_;  // the hidden name, when the temporary file has one
  int fd_ = -1;
  bool writing_ = false;
};

// The absolute form of a path, as the file layer quotes it in its messages.
std::string ExpandFileName(const std::string& path);

// Reads a whole file (EFOpenError / EReadError on failure).
std::string ReadWholeFile(const std::string& path);
// Writes a whole file atomically (EFCreateError / EWriteError on failure).
void WriteWholeFile(const std::string& path, const std::string& bytes);
// Overwrites an existing regular file where it stands, for a folder that lets no new file be made
// beside it. Not atomic: the space is reserved first, so that a full disk stops it before the
// first byte changes. EFCreateError when the file cannot be opened for writing, else EWriteError.
void RewriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace quillo
