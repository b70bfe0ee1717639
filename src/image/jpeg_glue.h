// The one owner of libjpeg's error handling. The library reports errors by longjmp; here they
// become C++ exceptions without ever crossing a library frame: work that calls the library runs
// under Run(), every callback we hand the library catches what it raises, and the exception is
// thrown again once the library's frames are gone. Holders for a decompressor and a compressor,
// with sources and a destination over our streams and memory.
#pragma once

#include <array>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <type_traits>

#include <jpeglib.h>

#include "platform/source_text.h"
#include "platform/stream.h"

namespace quillo {

inline constexpr char kJpegErrorPattern[] = N_("JPEG エラー #%d");

// "JPEG エラー #%d" with the library's message code.
std::string JpegErrorMessage(int code);
// EJPEG with that message and the library's explanation of the code, where the explanation needs
// no values that only the library knows.
[[noreturn]] void RaiseJpegError(int code);

// The library's warnings about the data, worst last: none, corrupt data, data that ends early.
enum TJpegDataWarning : uint8_t { jdwNone, jdwCorrupt, jdwEndsEarly };

// Receives the progress of the library's work in percent over all its passes. Called at most
// every 500 ms, and only when the figure changed; an exception it raises (EAbort included) ends
// the work and comes out of Run().
using TJpegProgressHook = std::function<void(int percent)>;

// Runs when a memory source has no more bytes for the library after it has given some. Returning
// inserts an end-of-image marker, so the picture ends with what was there; an exception ends the
// decoding with that exception.
using TJpegEndOfInput = std::function<void()>;

// The error manager, progress monitor and setjmp site shared by both holders.
class TJpegGuard {
 public:
  TJpegGuard(const TJpegGuard&) = delete;
  TJpegGuard& operator=(const TJpegGuard&) = delete;

  // Calls work, which calls the library and may be left by longjmp: it must keep only trivially
  // destructible locals. A library error comes out as EJPEG "JPEG エラー #%d" with the library's
  // own explanation, an exception from
  // one of our callbacks as itself. After a failure the work in progress is dropped
  // (jpeg_abort), so the holder can start again; its tables stay.
  template <typename Work>
  void Run(Work&& work) {
    using Callable = std::remove_reference_t<Work>;
    static_assert(std::is_trivially_destructible_v<Callable>,
                  "work passed to the library must not own anything");
    const auto call = [](void* context) { (*static_cast<Callable*>(context))(); };
    if (!Guarded(call, &work)) Fail();
  }

  // Installs the progress monitor (a null hook removes it).
  void SetProgressHook(TJpegProgressHook hook);
  // The message pattern of library errors (one %d for the library's message code), for callers
  // whose errors read otherwise; kJpegErrorPattern until set.
  void SetErrorPattern(const char* pattern) { error_pattern_ = pattern; }
  // The worst warning the library gave about the data since the holder was made.
  TJpegDataWarning DataWarning() const { return data_warning_; }

 protected:
  TJpegGuard();
  ~TJpegGuard() = default;

  // Points the library structure at our error manager; the structure is created afterwards.
  void Attach(j_common_ptr common);

  // For callbacks: runs action; when it raises, keeps the exception for Run() and leaves the
  // library at once by longjmp.
  template <typename Action>
  static void Shielded(j_common_ptr common, Action&& action) noexcept {
    TJpegGuard& guard = Of(common);
    bool raised = false;
    try {
      action();
    } catch (...) {
      guard.pending_ = std::current_exception();
      raised = true;
    }
    if (raised) guard.Leave();
  }

  static TJpegGuard& Of(j_common_ptr common) {
    return *static_cast<TJpegGuard*>(common->client_data);
  }

 private:
  bool Guarded(void (*call)(void*), void* context);
  [[noreturn]] void Fail();
  [[noreturn]] void Leave() noexcept;

  static void ErrorExit(j_common_ptr common) noexcept;
  static void EmitMessage(j_common_ptr common, int level) noexcept;
  static void ReportProgress(j_common_ptr common) noexcept;

  j_common_ptr common_ = nullptr;
  jpeg_error_mgr errors_{};
  std::jmp_buf jump_{};
  std::exception_ptr pending_;
  const char* error_pattern_ = kJpegErrorPattern;
  TJpegDataWarning data_warning_ = jdwNone;
  jpeg_progress_mgr progress_{};
  TJpegProgressHook progress_hook_;
  uint32_t last_report_tick_ = 0;
  int last_percent_ = -1;
};

// A decompressor, created with the error manager and destroyed with the holder.
class TJpegDecompressor : public TJpegGuard {
 public:
  TJpegDecompressor();
  ~TJpegDecompressor();

  jpeg_decompress_struct& Info() { return info_; }

  // Reads the stream from its position through a 4096-byte buffer. An input that is empty at the
  // start is the library's empty-input error; one that ends early gets the library's warning
  // (ignored) and an inserted end-of-image marker. The stream must outlive the decoding.
  void SetStreamSource(TStream& stream);
  // Reads size bytes at data, which must outlive the decoding. An empty input is the library's
  // empty-input error. When the bytes run out, on_end runs (without one, the library's warning,
  // ignored); then an end-of-image marker is inserted.
  void SetMemorySource(const uint8_t* data, size_t size, TJpegEndOfInput on_end = nullptr);

 private:
  struct StreamSource {
    jpeg_source_mgr manager{};
    TStream* stream = nullptr;
    bool started = false;
    std::array<JOCTET, 4096> buffer{};
  };
  struct MemorySource {
    jpeg_source_mgr manager{};
    size_t size = 0;
    TJpegEndOfInput on_end;
  };

  static TJpegDecompressor& Of(j_decompress_ptr info) {
    return static_cast<TJpegDecompressor&>(TJpegGuard::Of(reinterpret_cast<j_common_ptr>(info)));
  }
  // Ends the data with an end-of-image marker, as the library's own sources do.
  static void InsertEndOfImage(j_decompress_ptr info);
  static boolean FillFromStream(j_decompress_ptr info) noexcept;
  static void SkipInStream(j_decompress_ptr info, long count) noexcept;
  static boolean FillFromMemory(j_decompress_ptr info) noexcept;
  static void SkipInMemory(j_decompress_ptr info, long count) noexcept;

  jpeg_decompress_struct info_{};
  StreamSource stream_source_;
  MemorySource memory_source_;
};

// A compressor, created with the error manager and destroyed with the holder.
class TJpegCompressor : public TJpegGuard {
 public:
  TJpegCompressor();
  ~TJpegCompressor();

  jpeg_compress_struct& Info() { return info_; }

  // Writes the compressed bytes at the stream's position through a 4096-byte buffer; a short
  // write ends the work with EWriteError.
  void SetStreamDestination(TStream& stream);

 private:
  struct StreamDestination {
    jpeg_destination_mgr manager{};
    TStream* stream = nullptr;
    std::array<JOCTET, 4096> buffer{};
  };

  static TJpegCompressor& Of(j_compress_ptr info) {
    return static_cast<TJpegCompressor&>(TJpegGuard::Of(reinterpret_cast<j_common_ptr>(info)));
  }
  static void StartDestination(j_compress_ptr info) noexcept;
  static boolean EmptyDestination(j_compress_ptr info) noexcept;
  static void TermDestination(j_compress_ptr info) noexcept;

  jpeg_compress_struct info_{};
  StreamDestination destination_;
};

}  // namespace quillo
