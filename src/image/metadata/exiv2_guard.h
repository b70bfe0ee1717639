// Calls into exiv2 made safe for the metadata code: its exceptions, and the problems it only
// reports in its log (a tag skipped, a directory cut short), become one EInvalidGraphic naming
// the part being read, so that no part of a block is lost in silence. Usable on any thread.
#pragma once

#include <exception>
#include <optional>
#include <string>

#include "platform/errors.h"

namespace quillo {

inline constexpr char kMetadataDamagedPattern[] = "damaged %s (%s)";

// Collects exiv2's reports on this thread while it lives; nothing reaches standard error.
class TExiv2Reports {
 public:
  TExiv2Reports();
  ~TExiv2Reports();
  TExiv2Reports(const TExiv2Reports&) = delete;
  TExiv2Reports& operator=(const TExiv2Reports&) = delete;

  const std::optional<std::string>& First() const { return first_; }

 private:
  static void Collect(int level, const char* message);
  static thread_local TExiv2Reports* current_;
  TExiv2Reports* outer_;
  std::optional<std::string> first_;
};

// Raises EInvalidGraphic (kMetadataDamagedPattern).
[[noreturn]] void RaiseDamaged(const char* part, const std::string& what);

// Runs work that calls exiv2. An exiv2 error or report raises EInvalidGraphic
// (kMetadataDamagedPattern with `part` and exiv2's text); our own exceptions pass unchanged.
template <typename Work>
auto ThroughExiv2(const char* part, Work work) {
  TExiv2Reports reports;
  try {
    auto result = work();
    if (reports.First()) RaiseDamaged(part, *reports.First());
    return result;
  } catch (const Exception&) {
    throw;
  } catch (const std::exception& e) {
    RaiseDamaged(part, reports.First().value_or(e.what()));
  }
}

}  // namespace quillo
