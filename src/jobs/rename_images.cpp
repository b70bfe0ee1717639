#include "jobs/rename_images.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "form/form_controls.h"
#include "jobs/job_run.h"
#include "jobs/target_collision.h"
#include "platform/file_copy.h"
#include "platform/path.h"

namespace quillo {
namespace {

// At least four digits, zero-padded; a negative number keeps its "-" in front of the padding.
std::string NumberPart(int32_t number) {
  char text[16];
  std::snprintf(text, sizeof text, "%.4d", number);
  return text;
}

// Wraps around like the 32-bit addition it stands for.
int32_t AddWrapping(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// The output folder, prefix and suffix are read at the moment of each file, so an edit made
// during a run applies from the next file on.
std::string TargetName(const FormControls& form, const std::string& source, int32_t number) {
  return FolderPrefix(form.Edit_RenameDest.Text()) + form.Prefix() + NumberPart(number) +
         form.Suffix() + ExtractFileExt(source);
}

}  // namespace

void RenameImages(FormControls& form) {
  if (!FolderAndListValid(form.Edit_RenameSource, form.Editor3)) return;

  const RunningJob running(form.rename_running, form.SpeedButton_RenameProcess);
  RemoveLeftTemporaries(FolderPrefix(form.Edit_RenameDest.Text()));
  int32_t number = form.FirstNumber();
  const int count = form.Editor3.LineCount();
  const PendingSources pending(form.Editor3, count);
  for (int i = 0; i < count; ++i) {
    if (i % 10 == 0) {
      form.SetStatusText(kProgressPrefix + CheckedLine(form.Editor3, i));
      form.Window().Repaint();
    }
    form.Window().ProcessMessages();
    if (!form.rename_running) {
      form.SetStatusText(kAbortedText);
      return;
    }
    const std::string source = CheckedLine(form.Editor3, i);
    const std::string target = TargetName(form, source, number);
    pending.CheckTarget(i, source, target);
    CopyFileAtomically(source, target);
    number = AddWrapping(number, form.Step());
  }
  form.SetStatusText(kCompleteText);
}

}  // namespace quillo
