#include "image/metadata/exiv2_guard.h"

#include <exiv2/exiv2.hpp>

#include <mutex>

namespace quillo {

void RaiseDamaged(const char* part, const std::string& what) {
  throw EInvalidGraphic(Format(kMetadataDamagedPattern, {part, what}));
}

thread_local TExiv2Reports* TExiv2Reports::current_ = nullptr;

namespace {

// The XMP toolkit's shared tables are guarded by this lock, taken and released through the
// toolkit's own hook.
void LockXmpToolkit(void* mutex, bool lock) {
  if (lock) {
    static_cast<std::recursive_mutex*>(mutex)->lock();
  } else {
    static_cast<std::recursive_mutex*>(mutex)->unlock();
  }
}

}  // namespace

TExiv2Reports::TExiv2Reports() : outer_(current_) {
  // Set up once, before any worker could race for it: the log goes to Collect, and the XMP
  // toolkit, which is not safe to start from two threads at once, is started.
  static const bool installed = [] {
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::warn);
    Exiv2::LogMsg::setHandler(&Collect);
    static std::recursive_mutex xmp_toolkit;
    Exiv2::XmpParser::initialize(&LockXmpToolkit, &xmp_toolkit);
    return true;
  }();
  static_cast<void>(installed);
  current_ = this;
}

TExiv2Reports::~TExiv2Reports() { current_ = outer_; }

void TExiv2Reports::Collect(int, const char* message) {
  if (current_ == nullptr || current_->first_) return;
  std::string text(message);
  while (!text.empty() && text.back() == '\n') text.pop_back();
  current_->first_ = text;
}

}  // namespace quillo
