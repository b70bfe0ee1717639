// What the batch jobs share: their status texts, the checks that decide whether a job runs at
// all, the clean-up of what killed runs left, and the guard that keeps an abortable job's running
// flag and abort button in step.
#pragma once

#include <string>

#include "form/controls.h"
#include "platform/source_text.h"

namespace quillo {

inline constexpr char kProgressPrefix[] = N_("処理中 ");
inline constexpr char kAbortedText[] = N_("中断されました。");
inline constexpr char kCompleteText[] = N_("Complete!");

// Whether a job may start: the source folder text is not empty and names an existing folder, and
// the image list has a line. A job that fails the checks does nothing at all, silently.
bool FolderAndListValid(const EditBox& source_folder, const ListEditor& list);
// The same, for a job that also needs its output folder text to name an existing folder.
bool FolderAndListValid(const EditBox& source_folder, const ListEditor& list,
                        const EditBox& output_folder);

// Removes the temporary files that killed runs left, and no live run holds, in the folder the
// job's targets go to: the folder of `target`, a target's path or the output folder text that
// the job joins file names to.
void RemoveLeftTemporaries(const std::string& target);

class FormControls;

// Where a rotation or conversion comes to a file in list order: the status text names it, the
// window is repainted and pending messages, an abort click among them, are processed.
void AnnounceFile(FormControls& form, const std::string& source);

// Sets the flag and enables the abort button for the guard's lifetime; on every way out, a
// failure included, clears the flag and disables the button again.
class RunningJob {
 public:
  RunningJob(bool& running, Button& abort_button) : running_(running), abort_button_(abort_button) {
    running_ = true;
    abort_button_.SetEnabled(true);
  }
  ~RunningJob() {
    running_ = false;
    abort_button_.SetEnabled(false);
  }
  RunningJob(const RunningJob&) = delete;
  RunningJob& operator=(const RunningJob&) = delete;

 private:
  bool& running_;
  Button& abort_button_;
};

}  // namespace quillo
