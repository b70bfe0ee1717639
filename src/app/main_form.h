// The main window's logic: the event handlers on top of the bound controls, the settings and the
// folder dialog, and the dispatch that shows an escaping error in the error box.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <string_view>

#include "app/settings_store.h"
#include "form/controls.h"
#include "form/form_controls.h"
#include "jobs/convert_images.h"
#include "jobs/rotate_images.h"
#include "listing/browse_dialog.h"

namespace quillo {

class TForm1 : public FormControls {
 public:
  TForm1(MainWindow& window, std::string executable_path);
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // Runs the named handler; an exception that escapes it is shown in the error box (EAbort is
  // silent). A name without a handler is a programming error (std::logic_error).
  void Dispatch(std::string_view handler);
  static bool HasHandler(std::string_view handler);
  // Closing the window: saves the settings, clears every running flag so that a running job
  // ends after its current file. The host ends the program once JobActive() is false.
  void RequestClose();
  bool JobActive() const { return active_jobs_ > 0; }

  // The executable's name cut before its first ".", all but its first character in lower case.
  std::string ApplicationTitle() const;
  const std::string& ExecutablePath() const { return executable_path_; }

  // Handlers.
  void FormShow();
  void FormClose();
  void PageControl1Change();
  void SpeedButton_TurnProcessClick();
  void SpeedButton_RenameProcessClick();
  void SpeedButton_ConversionProcessClick();
  void SpeedButton_EnfuseDefaultClick();
  void SpeedButton_RotateGetImagesClick();
  void SpeedButton_EnfuseGetImagesClick();
  void SpeedButton_RenameGetImagesClick();
  void SpeedButton_ConversionGetImagesClick();
  void SpeedButton_RotateExecuteClick();
  void SpeedButton_EnfuseExecuteClick();
  void SpeedButton_RenameExecuteClick();
  void SpeedButton_ConversionExecuteClick();
  void SpeedButton_RotateSourceClick();
  void SpeedButton_RotateSourceAutoClick();
  void SpeedButton_RotateDestClick();
  void SpeedButton_EnfuseSourceClick();
  void SpeedButton_EnfuseSourceAutoClick();
  void SpeedButton_RenameSourceClick();
  void SpeedButton_RenameSourceAutoClick();
  void SpeedButton_RenameDestClick();
  void SpeedButton_ConversionSourceClick();
  void SpeedButton_ConversionSourceAutoClick();
  void SpeedButton_ConversionDestClick();

  // Non-visual components: the settings of the eight named values, and the one folder dialog
  // that every folder button shares.
  TRegManager Reg1;
  TBrowseDialog BrowseDialog1;

  // Runs for every file a listing leaves out because its path holds a line break and so cannot
  // be a line of the list (the command-line front end warns about each).
  std::function<void(const std::string& path)> unlisted_hook;
  // Turns each file of the rotate job instead of the tab's decoding and encoding afresh (the
  // command-line front end's lossless turns).
  RotateFileHook rotate_file_hook;
  // Runs with every error a handler raises, before its box is shown (the command-line front end
  // takes what the box does not show from it).
  std::function<void(const std::exception& error)> error_hook;
  // Converts each file of the conversion job that needs converting instead of the tab's loading
  // and saving (the command-line front end's conversion that keeps metadata).
  ConvertFileHook convert_file_hook;

 private:
  std::string executable_path_;
  int active_jobs_ = 0;
  bool rotate_in_progress_ = false;
  bool rename_in_progress_ = false;
  bool conversion_in_progress_ = false;

  // Runs a job unless the same job is already running further up the stack.
  void RunExclusive(bool& in_progress, const std::function<void()>& job);
  // Lists the folder's image files into the editor and reports the ones left out.
  void ListInto(ListEditor& lines, const EditBox& folder, std::string_view masks,
                const CheckBox& sub_folders);
  // Lets the user choose a folder for the edit box; false when nothing was chosen.
  bool ChooseFolder(EditBox& target);
};

// The error box's text for an exception message: "." is appended when the message is not empty
// and its last character (a double-byte character counts as one) sorts after ".".
std::string ErrorBoxText(const std::string& message);
std::string ApplicationTitleFor(const std::string& executable_path);

}  // namespace quillo
