#include "image/jpeg_glue.h"

#include <jerror.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "platform/errors.h"
#include "platform/tick_counter.h"

namespace quillo {
namespace {

constexpr uint32_t kProgressIntervalMs = 500;
constexpr JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

// Nothing is ever printed; warnings are kept by the guard.
void OutputMessage(j_common_ptr) noexcept {}
void ResetErrors(j_common_ptr common) noexcept {
  common->err->num_warnings = 0;
  common->err->msg_code = 0;
}

void NoSourceAction(j_decompress_ptr) noexcept {}

// Warnings that mean the picture's data is damaged, apart from its early end.
bool IsCorruptDataWarning(int code) {
  switch (code) {
    case JWRN_HIT_MARKER:
    case JWRN_EXTRANEOUS_DATA:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
      return true;
    default:
      return false;
  }
}

// The library's text for a code, unless it has places for values.
std::string FixedExplanation(int code) {
  jpeg_error_mgr errors{};
  jpeg_std_error(&errors);
  if (code < 0 || code > errors.last_jpeg_message) return "";
  const char* text = errors.jpeg_message_table[code];
  return text != nullptr && std::strchr(text, '%') == nullptr ? text : "";
}

}  // namespace

std::string JpegErrorMessage(int code) { return Format(kJpegErrorPattern, {std::to_string(code)}); }

void RaiseJpegError(int code) { throw EJPEG(JpegErrorMessage(code), FixedExplanation(code)); }

TJpegGuard::TJpegGuard() {
  jpeg_std_error(&errors_);
  errors_.error_exit = ErrorExit;
  errors_.emit_message = EmitMessage;
  errors_.output_message = OutputMessage;
  errors_.reset_error_mgr = ResetErrors;
  progress_.progress_monitor = ReportProgress;
}

void TJpegGuard::Attach(j_common_ptr common) {
  common_ = common;
  common->err = &errors_;
  common->client_data = this;
}

// The setjmp site: nothing here or in the work it calls owns anything, so leaving by longjmp
// skips no destructor.
bool TJpegGuard::Guarded(void (*call)(void*), void* context) {
  if (setjmp(jump_) != 0) return false;
  call(context);
  return true;
}

void TJpegGuard::Fail() {
  jpeg_abort(common_);
  if (pending_) std::rethrow_exception(std::exchange(pending_, nullptr));
  std::array<char, JMSG_LENGTH_MAX> explanation{};
  errors_.format_message(common_, explanation.data());
  throw EJPEG(Format(error_pattern_, {std::to_string(errors_.msg_code)}), explanation.data());
}

void TJpegGuard::Leave() noexcept { std::longjmp(jump_, 1); }

void TJpegGuard::ErrorExit(j_common_ptr common) noexcept { Of(common).Leave(); }

// Level -1 is a warning; the others are trace messages.
void TJpegGuard::EmitMessage(j_common_ptr common, int level) noexcept {
  if (level >= 0) return;
  ++common->err->num_warnings;
  TJpegGuard& guard = Of(common);
  const int code = common->err->msg_code;
  if (code == JWRN_JPEG_EOF) {
    guard.data_warning_ = jdwEndsEarly;
  } else if (IsCorruptDataWarning(code)) {
    guard.data_warning_ = std::max(guard.data_warning_, jdwCorrupt);
  }
}

void TJpegGuard::SetProgressHook(TJpegProgressHook hook) {
  progress_hook_ = std::move(hook);
  common_->progress = progress_hook_ ? &progress_ : nullptr;
  last_report_tick_ = GetTickCount();
  last_percent_ = -1;
}

void TJpegGuard::ReportProgress(j_common_ptr common) noexcept {
  TJpegGuard& guard = Of(common);
  const uint32_t now = GetTickCount();
  if (now - guard.last_report_tick_ < kProgressIntervalMs) return;
  guard.last_report_tick_ = now;
  const jpeg_progress_mgr& p = *common->progress;
  const double pass = p.pass_limit > 0 ? double(p.pass_counter) / double(p.pass_limit) : 0.0;
  const int total = std::max(p.total_passes, 1);
  const int percent = static_cast<int>(std::lround((pass + p.completed_passes) * 100.0 / total));
  if (percent == guard.last_percent_) return;
  guard.last_percent_ = percent;
  Shielded(common, [&] { guard.progress_hook_(percent); });
}

TJpegDecompressor::TJpegDecompressor() {
  Attach(reinterpret_cast<j_common_ptr>(&info_));
  Run([this] { jpeg_create_decompress(&info_); });
}

TJpegDecompressor::~TJpegDecompressor() { jpeg_destroy_decompress(&info_); }

void TJpegDecompressor::InsertEndOfImage(j_decompress_ptr info) {
  info->src->next_input_byte = kEndOfImage;
  info->src->bytes_in_buffer = sizeof kEndOfImage;
}

void TJpegDecompressor::SetStreamSource(TStream& stream) {
  StreamSource& s = stream_source_;
  s.stream = &stream;
  s.started = false;
  s.manager.init_source = NoSourceAction;
  s.manager.fill_input_buffer = FillFromStream;
  s.manager.skip_input_data = SkipInStream;
  s.manager.resync_to_restart = jpeg_resync_to_restart;
  s.manager.term_source = NoSourceAction;
  s.manager.next_input_byte = nullptr;
  s.manager.bytes_in_buffer = 0;
  info_.src = &s.manager;
}

boolean TJpegDecompressor::FillFromStream(j_decompress_ptr info) noexcept {
  StreamSource& s = Of(info).stream_source_;
  int64_t count = 0;
  Shielded(reinterpret_cast<j_common_ptr>(info),
           [&] { count = s.stream->Read(s.buffer.data(), static_cast<int64_t>(s.buffer.size())); });
  if (count <= 0) {
    if (!s.started) ERREXIT(info, JERR_INPUT_EMPTY);
    WARNMS(info, JWRN_JPEG_EOF);
    InsertEndOfImage(info);
  } else {
    s.manager.next_input_byte = s.buffer.data();
    s.manager.bytes_in_buffer = static_cast<size_t>(count);
  }
  s.started = true;
  return TRUE;
}

void TJpegDecompressor::SkipInStream(j_decompress_ptr info, long count) noexcept {
  if (count <= 0) return;
  StreamSource& s = Of(info).stream_source_;
  const auto wanted = static_cast<size_t>(count);
  if (wanted <= s.manager.bytes_in_buffer) {
    s.manager.next_input_byte += wanted;
    s.manager.bytes_in_buffer -= wanted;
    return;
  }
  const auto beyond = static_cast<int64_t>(wanted - s.manager.bytes_in_buffer);
  s.manager.bytes_in_buffer = 0;
  // Skipping past the end leaves the stream at its end; the next fill then ends the data.
  Shielded(reinterpret_cast<j_common_ptr>(info), [&] {
    const int64_t left = std::max<int64_t>(0, s.stream->Size() - s.stream->Position());
    s.stream->Seek(std::min(beyond, left), soCurrent);
  });
}

void TJpegDecompressor::SetMemorySource(const uint8_t* data, size_t size, TJpegEndOfInput on_end) {
  MemorySource& s = memory_source_;
  s.size = size;
  s.on_end = std::move(on_end);
  s.manager.init_source = NoSourceAction;
  s.manager.fill_input_buffer = FillFromMemory;
  s.manager.skip_input_data = SkipInMemory;
  s.manager.resync_to_restart = jpeg_resync_to_restart;
  s.manager.term_source = NoSourceAction;
  s.manager.next_input_byte = data;
  s.manager.bytes_in_buffer = size;
  info_.src = &s.manager;
}

// The whole input is in the buffer from the start, so a fill always means it ran out.
boolean TJpegDecompressor::FillFromMemory(j_decompress_ptr info) noexcept {
  MemorySource& s = Of(info).memory_source_;
  if (s.size == 0) ERREXIT(info, JERR_INPUT_EMPTY);
  if (s.on_end) {
    Shielded(reinterpret_cast<j_common_ptr>(info), [&] { s.on_end(); });
  } else {
    WARNMS(info, JWRN_JPEG_EOF);
  }
  InsertEndOfImage(info);
  return TRUE;
}

// Skipping past the end empties the buffer; the next fill then ends the data.
void TJpegDecompressor::SkipInMemory(j_decompress_ptr info, long count) noexcept {
  if (count <= 0) return;
  jpeg_source_mgr& m = *info->src;
  const size_t skipped = std::min(static_cast<size_t>(count), m.bytes_in_buffer);
  m.next_input_byte += skipped;
  m.bytes_in_buffer -= skipped;
}

TJpegCompressor::TJpegCompressor() {
  Attach(reinterpret_cast<j_common_ptr>(&info_));
  Run([this] { jpeg_create_compress(&info_); });
}

TJpegCompressor::~TJpegCompressor() { jpeg_destroy_compress(&info_); }

void TJpegCompressor::SetStreamDestination(TStream& stream) {
  StreamDestination& d = destination_;
  d.stream = &stream;
  d.manager.init_destination = StartDestination;
  d.manager.empty_output_buffer = EmptyDestination;
  d.manager.term_destination = TermDestination;
  info_.dest = &d.manager;
}

void TJpegCompressor::StartDestination(j_compress_ptr info) noexcept {
  StreamDestination& d = Of(info).destination_;
  d.manager.next_output_byte = d.buffer.data();
  d.manager.free_in_buffer = d.buffer.size();
}

boolean TJpegCompressor::EmptyDestination(j_compress_ptr info) noexcept {
  StreamDestination& d = Of(info).destination_;
  Shielded(reinterpret_cast<j_common_ptr>(info),
           [&] { d.stream->WriteBuffer(d.buffer.data(), static_cast<int64_t>(d.buffer.size())); });
  StartDestination(info);
  return TRUE;
}

void TJpegCompressor::TermDestination(j_compress_ptr info) noexcept {
  StreamDestination& d = Of(info).destination_;
  const size_t used = d.buffer.size() - d.manager.free_in_buffer;
  Shielded(reinterpret_cast<j_common_ptr>(info),
           [&] { d.stream->WriteBuffer(d.buffer.data(), static_cast<int64_t>(used)); });
}

}  // namespace quillo
