#include "image/graphic.h"

#include "platform/errors.h"
#include "platform/file_stream.h"

namespace quillo {

void TGraphic::AssignInto(TGraphic& target) { AssignError(this, target); }

void TGraphic::AssignFrom(TGraphic* source) {
  if (source == nullptr) AssignError(nullptr, *this);
  source->AssignInto(*this);
}

void TGraphic::Changed() {
  modified_ = true;
  if (on_change_) on_change_(*this);
}

void TGraphic::SetPalette(TPaletteRef) {}

void TGraphic::LoadFile(const std::string& path) {
  TFileStream file(path, fmOpenRead);
  LoadFromStream(file);
}

void TGraphic::SaveFile(const std::string& path) {
  TFileStream file(path, fmCreate);
  SaveToStream(file);
  file.Commit();
}

void TGraphic::Progress(TProgressStage stage, uint8_t percent, bool redraw_now, const TRect& rect,
                        const std::string& message) {
  if (on_progress_) on_progress_(*this, stage, percent, redraw_now, rect, message);
}

void TGraphic::AssignError(const TGraphic* source, const TGraphic& target) {
  throw EConvertError(
      Format(kAssignErrorPattern, {source ? source->ClassName() : "nil", target.ClassName()}));
}

}  // namespace quillo
