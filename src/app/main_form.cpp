#include "app/main_form.h"

#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "app/settings_location.h"
#include "jobs/convert_images.h"
#include "jobs/enfuse_batch.h"
#include "jobs/rename_images.h"
#include "jobs/rotate_images.h"
#include "listing/image_listing.h"
#include "platform/errors.h"
#include "platform/message_box.h"
#include "platform/path.h"
#include "platform/text_rules.h"

namespace quillo {
namespace {

using Handler = void (TForm1::*)();

const std::unordered_map<std::string_view, Handler>& Handlers() {
  static const std::unordered_map<std::string_view, Handler> handlers = {
      {"FormShow", &TForm1::FormShow},
      {"FormClose", &TForm1::FormClose},
      {"PageControl1Change", &TForm1::PageControl1Change},
      {"SpeedButton_TurnProcessClick", &TForm1::SpeedButton_TurnProcessClick},
      {"SpeedButton_RenameProcessClick", &TForm1::SpeedButton_RenameProcessClick},
      {"SpeedButton_ConversionProcessClick", &TForm1::SpeedButton_ConversionProcessClick},
      {"SpeedButton_EnfuseDefaultClick", &TForm1::SpeedButton_EnfuseDefaultClick},
      {"SpeedButton_RotateGetImagesClick", &TForm1::SpeedButton_RotateGetImagesClick},
      {"SpeedButton_EnfuseGetImagesClick", &TForm1::SpeedButton_EnfuseGetImagesClick},
      {"SpeedButton_RenameGetImagesClick", &TForm1::SpeedButton_RenameGetImagesClick},
      {"SpeedButton_ConversionGetImagesClick", &TForm1::SpeedButton_ConversionGetImagesClick},
      {"SpeedButton_RotateExecuteClick", &TForm1::SpeedButton_RotateExecuteClick},
      {"SpeedButton_EnfuseExecuteClick", &TForm1::SpeedButton_EnfuseExecuteClick},
      {"SpeedButton_RenameExecuteClick", &TForm1::SpeedButton_RenameExecuteClick},
      {"SpeedButton_ConversionExecuteClick", &TForm1::SpeedButton_ConversionExecuteClick},
      {"SpeedButton_RotateSourceClick", &TForm1::SpeedButton_RotateSourceClick},
      {"SpeedButton_RotateSourceAutoClick", &TForm1::SpeedButton_RotateSourceAutoClick},
      {"SpeedButton_RotateDestClick", &TForm1::SpeedButton_RotateDestClick},
      {"SpeedButton_EnfuseSourceClick", &TForm1::SpeedButton_EnfuseSourceClick},
      {"SpeedButton_EnfuseSourceAutoClick", &TForm1::SpeedButton_EnfuseSourceAutoClick},
      {"SpeedButton_RenameSourceClick", &TForm1::SpeedButton_RenameSourceClick},
      {"SpeedButton_RenameSourceAutoClick", &TForm1::SpeedButton_RenameSourceAutoClick},
      {"SpeedButton_RenameDestClick", &TForm1::SpeedButton_RenameDestClick},
      {"SpeedButton_ConversionSourceClick", &TForm1::SpeedButton_ConversionSourceClick},
      {"SpeedButton_ConversionSourceAutoClick", &TForm1::SpeedButton_ConversionSourceAutoClick},
      {"SpeedButton_ConversionDestClick", &TForm1::SpeedButton_ConversionDestClick},
  };
  return handlers;
}

TFindOptions FindOptions(const CheckBox& sub_folders) {
  return sub_folders.Checked() ? foFiles | foSubFolders : foFiles;
}

// Reg1 keeps each value in section "data" under the value's own name.
void AddSettingsItems(TRegManager& reg) {
  struct Item {
    const char* name;
    const char* default_value;
  };
  constexpr Item kItems[] = {
      {"Prefix", "Img_"},     {"Suffix", ""},         {"FirstNumber", "1"},
      {"Step", "1"},          {"EnfuseBracket", "3"}, {"BatFileName", "makeenfuse.bat"},
      {"EnfuseOption", "-o"}, {"TurnDirection", "1"},
  };
  reg.SetRegType(rtIni);
  for (const Item& item : kItems) {
    reg.RegItems().Add({item.name, "data", item.name, item.default_value});
  }
}

}  // namespace

std::string ErrorBoxText(const std::string& message) {
  if (message.empty()) return message;
  size_t last = 0;
  ForEachChar(message, [&](size_t pos, size_t) { last = pos; });
  return static_cast<unsigned char>(message[last]) > '.' ? message + "." : message;
}

std::string ApplicationTitleFor(const std::string& executable_path) {
  std::string title = ExtractFileName(executable_path);
  title = title.substr(0, title.find('.'));
  for (size_t i = 1; i < title.size(); ++i) {
    if (title[i] >= 'A' && title[i] <= 'Z') title[i] = static_cast<char>(title[i] - 'A' + 'a');
  }
  return title;
}

TForm1::TForm1(MainWindow& window, std::string executable_path)
    : FormControls(window),
      BrowseDialog1(window.Browser()),
      executable_path_(std::move(executable_path)) {
  AddSettingsItems(Reg1);
}

bool TForm1::HasHandler(std::string_view handler) { return Handlers().contains(handler); }

void TForm1::Dispatch(std::string_view handler) {
  const auto found = Handlers().find(handler);
  if (found == Handlers().end()) {
    throw std::logic_error("no handler named " + std::string(handler));
  }
  try {
    (this->*found->second)();
  } catch (const EAbort&) {
    // Silent by design: an abort has already said what it had to say.
  } catch (const std::exception& error) {
    ShowMessageBox(miError, ApplicationTitle(), ErrorBoxText(error.what()));
  }
}

void TForm1::RequestClose() {
  Dispatch("FormClose");
  rotate_running = false;
  rename_running = false;
  conversion_running = false;
}

std::string TForm1::ApplicationTitle() const { return ApplicationTitleFor(executable_path_); }

void TForm1::RunExclusive(bool& in_progress, const std::function<void()>& job) {
  if (in_progress) return;
  struct Guard {
    bool& flag;
    int& depth;
    ~Guard() {
      flag = false;
      --depth;
    }
  } guard{in_progress, active_jobs_};
  in_progress = true;
  ++active_jobs_;
  job();
}

// The settings file lies beside the executable under its base name, or in the user's
// configuration folder when that cannot be; each value is read and written on its own, so a
// refused write stops the save at that value.
void TForm1::FormShow() {
  Reg1.SetIniFileName(SettingsFilePath(executable_path_));
  SetPrefix(Reg1.SelectItem("Prefix").ReadString());
  SetSuffix(Reg1.SelectItem("Suffix").ReadString());
  SetFirstNumber(Reg1.SelectItem("FirstNumber").ReadInteger());
  SetStep(Reg1.SelectItem("Step").ReadInteger());
  SetEnfuseBracket(Reg1.SelectItem("EnfuseBracket").ReadInteger());
  SetBatFileName(Reg1.SelectItem("BatFileName").ReadString());
  SetEnfuseOption(Reg1.SelectItem("EnfuseOption").ReadString());
  SetTurnDirection(Reg1.SelectItem("TurnDirection").ReadInteger());
  Window().SelectTab(0);
}

void TForm1::FormClose() {
  Reg1.SetIniFileName(SettingsFilePath(executable_path_));
  MakeSettingsFolder(Reg1.IniFileName());
  Reg1.SelectItem("Prefix").WriteString(Prefix());
  Reg1.SelectItem("Suffix").WriteString(Suffix());
  Reg1.SelectItem("FirstNumber").WriteInteger(FirstNumber());
  Reg1.SelectItem("Step").WriteInteger(Step());
  Reg1.SelectItem("EnfuseBracket").WriteInteger(EnfuseBracket());
  Reg1.SelectItem("BatFileName").WriteString(BatFileName());
  Reg1.SelectItem("EnfuseOption").WriteString(EnfuseOption());
  Reg1.SelectItem("TurnDirection").WriteInteger(TurnDirection());
}

void TForm1::PageControl1Change() { SetStatusText(""); }

void TForm1::SpeedButton_TurnProcessClick() { rotate_running = false; }
void TForm1::SpeedButton_RenameProcessClick() { rename_running = false; }
void TForm1::SpeedButton_ConversionProcessClick() { conversion_running = false; }
void TForm1::SpeedButton_EnfuseDefaultClick() { Edit_Option.SetText("-o"); }

void TForm1::ListInto(ListEditor& lines, const EditBox& folder, std::string_view masks,
                      const CheckBox& sub_folders) {
  const std::vector<std::string> left_out =
      ListImageFiles(folder.Text(), masks, lines, FindOptions(sub_folders));
  if (!unlisted_hook) return;
  for (const std::string& path : left_out) unlisted_hook(path);
}

void TForm1::SpeedButton_RotateGetImagesClick() {
  ListInto(Editor1, Edit_RotateSource, kJpegMasks, CheckBox_RotateSubFolder);
}

void TForm1::SpeedButton_EnfuseGetImagesClick() {
  ListInto(Editor2, Edit_EnfuseSource, MaskListForImageType(RadioGroup_EnfuseImageType.ItemIndex()),
           CheckBox_EnfuseSubFolder);
}

void TForm1::SpeedButton_RenameGetImagesClick() {
  ListInto(Editor3, Edit_RenameSource, MaskListForImageType(RadioGroup_RenameImageType.ItemIndex()),
           CheckBox_RenameSubFolder);
}

void TForm1::SpeedButton_ConversionGetImagesClick() {
  ListInto(Editor4, Edit_ConversionSource,
           MaskListForImageType(RadioGroup_ConversionImageFindType.ItemIndex()),
           CheckBox_ConversionSubFolder);
}

void TForm1::SpeedButton_RotateExecuteClick() {
  RunExclusive(rotate_in_progress_, [this] { RotateImages(*this, rotate_file_hook); });
}

void TForm1::SpeedButton_EnfuseExecuteClick() { WriteEnfuseBatchFile(*this); }

void TForm1::SpeedButton_RenameExecuteClick() {
  RunExclusive(rename_in_progress_, [this] { RenameImages(*this); });
}

void TForm1::SpeedButton_ConversionExecuteClick() {
  RunExclusive(conversion_in_progress_, [this] { ConvertImages(*this); });
}

bool TForm1::ChooseFolder(EditBox& target) {
  if (!BrowseDialog1.Execute()) return false;
  target.SetText(AddTrailingBackslash(BrowseDialog1.Directory()));
  return true;
}

void TForm1::SpeedButton_RotateSourceClick() { ChooseFolder(Edit_RotateSource); }
void TForm1::SpeedButton_RotateDestClick() { ChooseFolder(Edit_RotateDest); }
void TForm1::SpeedButton_EnfuseSourceClick() { ChooseFolder(Edit_EnfuseSource); }
void TForm1::SpeedButton_RenameSourceClick() { ChooseFolder(Edit_RenameSource); }
void TForm1::SpeedButton_RenameDestClick() { ChooseFolder(Edit_RenameDest); }
void TForm1::SpeedButton_ConversionSourceClick() { ChooseFolder(Edit_ConversionSource); }
void TForm1::SpeedButton_ConversionDestClick() { ChooseFolder(Edit_ConversionDest); }

void TForm1::SpeedButton_RotateSourceAutoClick() {
  if (ChooseFolder(Edit_RotateSource)) SpeedButton_RotateGetImagesClick();
}

void TForm1::SpeedButton_EnfuseSourceAutoClick() {
  if (ChooseFolder(Edit_EnfuseSource)) SpeedButton_EnfuseGetImagesClick();
}

void TForm1::SpeedButton_RenameSourceAutoClick() {
  if (ChooseFolder(Edit_RenameSource)) SpeedButton_RenameGetImagesClick();
}

void TForm1::SpeedButton_ConversionSourceAutoClick() {
  if (ChooseFolder(Edit_ConversionSource)) SpeedButton_ConversionGetImagesClick();
}

}  // namespace quillo
