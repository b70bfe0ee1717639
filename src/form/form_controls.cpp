#include "form/form_controls.h"

#include "platform/integer_text.h"

namespace quillo {

FormControls::FormControls(MainWindow& window)
    : window_(window),
      Edit_RotateSource(window.Edit("Edit_RotateSource")),
      Edit_RotateDest(window.Edit("Edit_RotateDest")),
      Edit_EnfuseSource(window.Edit("Edit_EnfuseSource")),
      Edit_Option(window.Edit("Edit_Option")),
      Edit_BatFileName(window.Edit("Edit_BatFileName")),
      Edit_EnfuseBracket(window.Edit("Edit_EnfuseBracket")),
      Edit_RenameSource(window.Edit("Edit_RenameSource")),
      Edit_RenameDest(window.Edit("Edit_RenameDest")),
      Edit_Prefix(window.Edit("Edit_Prefix")),
      Edit_Suffix(window.Edit("Edit_Suffix")),
      Edit_FirstNumber(window.Edit("Edit_FirstNumber")),
      Edit_RenameStep(window.Edit("Edit_RenameStep")),
      Edit_ConversionSource(window.Edit("Edit_ConversionSource")),
      Edit_ConversionDest(window.Edit("Edit_ConversionDest")),
      CheckBox_RotateSubFolder(window.Check("CheckBox_RotateSubFolder")),
      CheckBox_EnfuseSubFolder(window.Check("CheckBox_EnfuseSubFolder")),
      CheckBox_RenameSubFolder(window.Check("CheckBox_RenameSubFolder")),
      CheckBox_ConversionSubFolder(window.Check("CheckBox_ConversionSubFolder")),
      RadioGroup_TurnDirection(window.Radio("RadioGroup_TurnDirection")),
      RadioGroup_EnfuseImageType(window.Radio("RadioGroup_EnfuseImageType")),
      RadioGroup_RenameImageType(window.Radio("RadioGroup_RenameImageType")),
      RadioGroup_ConversionImageFindType(window.Radio("RadioGroup_ConversionImageFindType")),
      RadioGroup_ConversionImageType(window.Radio("RadioGroup_ConversionImageType")),
      SpeedButton_RotateExecute(window.SpeedButton("SpeedButton_RotateExecute")),
      SpeedButton_TurnProcess(window.SpeedButton("SpeedButton_TurnProcess")),
      SpeedButton_EnfuseExecute(window.SpeedButton("SpeedButton_EnfuseExecute")),
      SpeedButton_RenameExecute(window.SpeedButton("SpeedButton_RenameExecute")),
      SpeedButton_RenameProcess(window.SpeedButton("SpeedButton_RenameProcess")),
      SpeedButton_ConversionExecute(window.SpeedButton("SpeedButton_ConversionExecute")),
      SpeedButton_ConversionProcess(window.SpeedButton("SpeedButton_ConversionProcess")),
      Editor1(window.Editor("Editor1")),
      Editor2(window.Editor("Editor2")),
      Editor3(window.Editor("Editor3")),
      Editor4(window.Editor("Editor4")) {}

std::string FormControls::Prefix() const { return Edit_Prefix.Text(); }
void FormControls::SetPrefix(const std::string& value) { Edit_Prefix.SetText(value); }
std::string FormControls::Suffix() const { return Edit_Suffix.Text(); }
void FormControls::SetSuffix(const std::string& value) { Edit_Suffix.SetText(value); }
int32_t FormControls::FirstNumber() const { return StrToIntDef(Edit_FirstNumber.Text(), 1); }
void FormControls::SetFirstNumber(int32_t value) { Edit_FirstNumber.SetText(IntToStr(value)); }
int32_t FormControls::Step() const { return StrToIntDef(Edit_RenameStep.Text(), 1); }
void FormControls::SetStep(int32_t value) { Edit_RenameStep.SetText(IntToStr(value)); }
int32_t FormControls::EnfuseBracket() const { return StrToIntDef(Edit_EnfuseBracket.Text(), 1); }
void FormControls::SetEnfuseBracket(int32_t value) { Edit_EnfuseBracket.SetText(IntToStr(value)); }
std::string FormControls::BatFileName() const { return Edit_BatFileName.Text(); }
void FormControls::SetBatFileName(const std::string& value) { Edit_BatFileName.SetText(value); }
std::string FormControls::EnfuseOption() const { return Edit_Option.Text(); }
void FormControls::SetEnfuseOption(const std::string& value) { Edit_Option.SetText(value); }

uint8_t FormControls::TurnDirection() const {
  return static_cast<uint8_t>(RadioGroup_TurnDirection.ItemIndex());
}

void FormControls::SetTurnDirection(int32_t value) {
  RadioGroup_TurnDirection.SetItemIndex(value & 0x7F);
}

}  // namespace quillo
