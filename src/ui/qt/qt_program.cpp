#include "ui/qt/qt_program.h"

#include <QCoreApplication>
#include <filesystem>
#include <system_error>

#include "ui/qt/native_text.h"

namespace quillo {

QtProgram::QtProgram(std::string executable_path)
    : boxes_(&window_), boxes_guard_(boxes_), form_(window_, std::move(executable_path)) {
  window_.Attach(form_);
}

std::string ExecutablePath() {
  std::error_code error;
  const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) return path.string();
  return FromQString(QCoreApplication::applicationFilePath());
}

}  // namespace quillo
