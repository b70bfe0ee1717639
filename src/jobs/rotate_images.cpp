#include "jobs/rotate_images.h"

#include <optional>
#include <string>

#include "form/form_controls.h"
#include "image/jpeg_image.h"
#include "image/rotation.h"
#include "jobs/batch_limits.h"
#include "jobs/file_pool.h"
#include "jobs/job_run.h"
#include "jobs/listed_sources.h"
#include "platform/file_system.h"
#include "platform/path.h"

namespace quillo {
namespace {

// The output folder is read when a file is handed out, so a change made during a run applies
// from the next file handed out on.
std::string TargetName(const FormControls& form, const std::string& source) {
  return FolderPrefix(form.Edit_RotateDest.Text()) + ExtractFileName(source);
}

// No selection means no turn at all.
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
void RotateFile(const ListedSources& sources, const std::string& source, const std::string& target,
                int direction) {
  TJPEGImage jpeg;
  jpeg.LoadFile(source);
  TBitmap bitmap;
  bitmap.AssignFrom(&jpeg);
  Turn(bitmap, direction);
  jpeg.AssignFrom(&bitmap);
  sources.CheckTarget(source, target);
  jpeg.SaveFile(target);
}

// The work for one file, with the parameters as the form shows them now.
PrepareFile HandOut(const FormControls& form, const ListedSources& sources,
                    const std::string& source, const RotateFileHook& rotate_file) {
  const std::string target = TargetName(form, source);
  if (rotate_file) {
    return [&sources, &rotate_file, source, target] {
      sources.CheckTarget(source, target);
      rotate_file(source, target);
    };
  }
  const int direction = form.RadioGroup_TurnDirection.ItemIndex();
  return [&sources, source, target, direction] { RotateFile(sources, source, target, direction); };
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
  const bool completed = RunListedFiles(
      {.count = count,
       .source = [&](int line) -> std::optional<std::string> {
         std::string source = CheckedLine(form.Editor1, line);
         if (!FileExists(source)) return std::nullopt;
         return source;
       },
       .memory = WorkingMemory,
       .hand_out =
           [&](const std::string& source) { return HandOut(form, sources, source, rotate_file); },
       .announce = [&](const std::string& source) { AnnounceFile(form, source); },
       .aborted = [&] { return !form.rotate_running; },
       .pump = [&] { form.Window().ProcessMessages(); }},
      BatchLimits(form.parallel_files));
  form.SetStatusText(completed ? kCompleteText : kAbortedText);
}

}  // namespace quillo
