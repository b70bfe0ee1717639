#include "jobs/rotate_images.h"

#include <string>

#include "form/form_controls.h"
#include "image/jpeg_image.h"
#include "image/rotation.h"
#include "jobs/job_run.h"
#include "jobs/listed_sources.h"
#include "platform/file_system.h"
#include "platform/path.h"

namespace quillo {
namespace {

// The output folder is read at the moment of each file, so a change made during a run applies
// from the next file on.
std::string TargetName(const FormControls& form, const std::string& source) {
  return FolderPrefix(form.Edit_RotateDest.Text()) + ExtractFileName(source);
}

// The direction is read for every file as well; no selection means no turn at all.
void Turn(TBitmap& bitmap, int direction) {
  switch (direction) {
    case 0:
      RotateBitmap90(bitmap, rdClockwise);
      break;
    case 1:
      RotateBitmap90(bitmap, rdCounterClockwise);
      break;
    case 2:
      RotateBitmap180(bitmap);
      break;
    default:
      break;
  }
}

// The whole source is read before the target is written, and the target replaces an existing
// file only once it is complete, so a target equal to its source is safe.
void RotateFile(FormControls& form, const ListedSources& sources, const std::string& source,
                const RotateFileHook& rotate_file) {
  if (rotate_file) {
    const std::string target = TargetName(form, source);
    sources.CheckTarget(source, target);
    rotate_file(source, target);
    return;
  }
  TJPEGImage jpeg;
  jpeg.LoadFile(source);
  TBitmap bitmap;
  bitmap.AssignFrom(&jpeg);
  Turn(bitmap, form.RadioGroup_TurnDirection.ItemIndex());
  jpeg.AssignFrom(&bitmap);
  const std::string target = TargetName(form, source);
  sources.CheckTarget(source, target);
  jpeg.SaveFile(target);
}

}  // namespace

void RotateImages(FormControls& form, const RotateFileHook& rotate_file) {
  if (!FolderAndListValid(form.Edit_RotateSource, form.Editor1, form.Edit_RotateDest)) return;
  const int count = form.Editor1.LineCount();
  form.Editor1.SetFocus();
  form.Editor1.MoveCaretToLine(count - 1);
  form.Window().Repaint();

  const RunningJob running(form.rotate_running, form.SpeedButton_TurnProcess);
  RemoveLeftTemporaries(FolderPrefix(form.Edit_RotateDest.Text()));
  // A run that would replace a listed source it has not read yet writes nothing at all.
  const ListedSources sources(form.Editor1);
  for (int i = 0; i < count; ++i) {
    const std::string source = CheckedLine(form.Editor1, i);
    if (FileExists(source)) sources.CheckTarget(source, TargetName(form, source));
  }
  for (int i = 0; i < count; ++i) {
    const std::string source = CheckedLine(form.Editor1, i);
    if (!FileExists(source)) continue;
    form.SetStatusText(kProgressPrefix + source);
    form.Window().Repaint();
    form.Window().ProcessMessages();
    if (!form.rotate_running) {
      form.SetStatusText(kAbortedText);
      return;
    }
    RotateFile(form, sources, source, rotate_file);
  }
  form.SetStatusText(kCompleteText);
}

}  // namespace quillo
