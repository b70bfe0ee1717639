// What the shell front end tells about a running job: the file in progress (from the window's
// status text and message pumps), the "[k/n] PATH" progress lines, and the closing count of files
// done with the time taken.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace quillo {

class JobProgress {
 public:
  // What error lines name before a file is in progress (the folder being listed, the file a job
  // writes).
  void SetSubject(std::string subject) { subject_ = std::move(subject); }
  // The job starts on these list lines; the clock starts. A job that announces every file by
  // its status text is followed by those texts alone: it may pump more than once a file while
  // it waits for files worked on at once.
  void Start(std::vector<std::string> lines, bool announces_every_file);

  // A status text was shown: the progress line for a file's progress text, nothing otherwise.
  std::optional<std::string> OnStatus(const std::string& status);
  // The job pumped messages. A job that shows only every few files' progress pumps once before
  // each file, and moves on to the next line at each further pump.
  void OnPump();

  // The file in progress, else the subject.
  const std::string& Subject() const { return file_ ? *file_ : subject_; }
  // "N files done in T s". A job that works file by file has done the files it pumped for,
  // less the one it stopped at when it did not complete; any other job did its whole list.
  std::string Summary(bool file_by_file, bool completed) const;

 private:
  std::string subject_;
  std::vector<std::string> lines_;
  std::chrono::steady_clock::time_point start_;
  std::optional<std::string> file_;
  bool announces_every_file_ = false;
  size_t index_ = 0;  // the line of the file in progress
  size_t announced_ = 0;
  int pumps_since_status_ = 0;
  size_t pumps_ = 0;
};

}  // namespace quillo
