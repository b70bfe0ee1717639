// The main window's logic: its controls bound by name, the eight named values, the running flags,
// the event handlers, and the dispatch that shows an escaping error in the error box.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "app/controls.h"
#include "app/settings_store.h"
#include "listing/browse_dialog.h"

namespace quillo {

class TForm1 {
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
  MainWindow& Window() { return window_; }

  // Named values.
  std::string Prefix() const;
  void SetPrefix(const std::string& value);
  std::string Suffix() const;
  void SetSuffix(const std::string& value);
  int32_t FirstNumber() const;
  void SetFirstNumber(int32_t value);
  int32_t Step() const;
  void SetStep(int32_t value);
  int32_t EnfuseBracket() const;
  void SetEnfuseBracket(int32_t value);
  std::string BatFileName() const;
  void SetBatFileName(const std::string& value);
  std::string EnfuseOption() const;
  void SetEnfuseOption(const std::string& value);
  uint8_t TurnDirection() const;
  void SetTurnDirection(int32_t value);

  // Running flags; only the GUI thread touches them.
  bool rotate_running = false;
  bool rename_running = false;
  bool conversion_running = false;

  void SetStatusText(const std::string& text) { window_.SetStatusText(text); }

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

 private:
  MainWindow& window_;
  std::string executable_path_;
  int active_jobs_ = 0;
  bool rename_in_progress_ = false;

 public:
  // Controls, bound at creation.
  EditBox& Edit_RotateSource;
  EditBox& Edit_RotateDest;
  EditBox& Edit_EnfuseSource;
  EditBox& Edit_Option;
  EditBox& Edit_BatFileName;
  EditBox& Edit_EnfuseBracket;
  EditBox& Edit_RenameSource;
  EditBox& Edit_RenameDest;
  EditBox& Edit_Prefix;
  EditBox& Edit_Suffix;
  EditBox& Edit_FirstNumber;
  EditBox& Edit_RenameStep;
  EditBox& Edit_ConversionSource;
  EditBox& Edit_ConversionDest;
  CheckBox& CheckBox_RotateSubFolder;
  CheckBox& CheckBox_EnfuseSubFolder;
  CheckBox& CheckBox_RenameSubFolder;
  CheckBox& CheckBox_ConversionSubFolder;
  RadioGroup& RadioGroup_TurnDirection;
  RadioGroup& RadioGroup_EnfuseImageType;
  RadioGroup& RadioGroup_RenameImageType;
  RadioGroup& RadioGroup_ConversionImageFindType;
  RadioGroup& RadioGroup_ConversionImageType;
  Button& SpeedButton_RotateExecute;
  Button& SpeedButton_TurnProcess;
  Button& SpeedButton_EnfuseExecute;
  Button& SpeedButton_RenameExecute;
  Button& SpeedButton_RenameProcess;
  Button& SpeedButton_ConversionExecute;
  Button& SpeedButton_ConversionProcess;
  ListEditor& Editor1;
  ListEditor& Editor2;
  ListEditor& Editor3;
  ListEditor& Editor4;

 private:
  // Runs a job unless the same job is already running further up the stack.
  void RunExclusive(bool& in_progress, const std::function<void()>& job);
  // Lets the user choose a folder for the edit box; false when nothing was chosen.
  bool ChooseFolder(EditBox& target);
};

// The error box's text for an exception message: "." is appended when the message is not empty
// and its last character (a double-byte character counts as one) sorts after ".".
std::string ErrorBoxText(const std::string& message);
std::string ApplicationTitleFor(const std::string& executable_path);

}  // namespace quillo
