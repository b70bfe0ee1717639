// What the jobs work with on the main window: its controls bound by their form names, the eight
// named values read and written through them, and the running flags of the abortable jobs.
#pragma once

#include <cstdint>
#include <string>

#include "form/controls.h"

namespace quillo {

class FormControls {
 public:
  explicit FormControls(MainWindow& window);
  FormControls(const FormControls&) = delete;
  FormControls& operator=(const FormControls&) = delete;

  MainWindow& Window() { return window_; }
  void SetStatusText(const std::string& text) { window_.SetStatusText(text); }

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
  // Files the rotation and the conversion work on at once; 0 for one per processor.
  int parallel_files = 0;

 protected:
  ~FormControls() = default;

 private:
  MainWindow& window_;

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
};

}  // namespace quillo
