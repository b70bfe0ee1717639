// What the batch jobs share: their status texts and the guard that keeps an abortable job's
// running flag and abort button in step.
#pragma once

#include "app/controls.h"

namespace quillo {

inline constexpr char kProgressPrefix[] = "処理中 ";
inline constexpr char kAbortedText[] = "中断されました。";
inline constexpr char kCompleteText[] = "Complete!";

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
