#include "app/form_description.h"

namespace quillo {
namespace {

constexpr std::string_view kSourceLabel = "対象データフォルダ";
constexpr std::string_view kDestLabel = "出力先フォルダ";
constexpr std::string_view kGetImages = "画像ファイル名取得";
constexpr std::string_view kSubFolder = "サブフォルダも探す";
constexpr std::string_view kImageTypeCaption = "画像ファイル形式";
constexpr std::string_view kExecute = "出力実行";
constexpr std::string_view kAbort = "中断";

const std::vector<std::string_view> kFindTypes = {"jpg", "tif", "bmp", "all"};

FormDescription Build() {
  FormDescription f;
  f.name = "Form1";
  f.caption = "Quillomark.exe";
  f.bounds = {0, 0, 703, 517};
  f.min_width = 703;
  f.min_height = 517;
  f.font_pixels = 11;
  f.status_bar_height = 19;
  f.editor_font_pixels = 12;
  f.tabs = {{"TabSheet1", "　画像の回転　"},
            {"TabSheet2", "　Enfuse バッチファイル作成　"},
            {"TabSheet3", "　画像のリネーム　"},
            {"TabSheet4", "画像変換"}};
  f.on_show = "FormShow";
  f.on_close = "FormClose";
  f.on_tab_change = "PageControl1Change";

  f.controls = {
      // Tab 1: rotate.
      {"Label1", ckLabel, 0, kSourceLabel, {20, 20}},
      {"Edit_RotateSource", ckEdit, 0, "", {120, 16, 430, 21}, {}, 1, -1, true, 0},
      {"SpeedButton_RotateSource", ckButton, 0, "...", {560, 15, 24, 22}, {}, 1, -1, true, -1,
       "SpeedButton_RotateSourceClick"},
      {"SpeedButton_RotateSourceAuto", ckButton, 0, "... Auto", {594, 15, 86, 22}, {}, 1, -1, true,
       -1, "SpeedButton_RotateSourceAutoClick"},
      {"Editor1", ckListEditor, 0, "", {20, 53, 530, 190}, {}, 1, -1, true, 1},
      {"SpeedButton_RotateGetImages", ckButton, 0, kGetImages, {560, 54, 120, 22}, {}, 1, -1, true,
       -1, "SpeedButton_RotateGetImagesClick"},
      {"CheckBox_RotateSubFolder", ckCheckBox, 0, kSubFolder, {560, 91, 120, 17}, {}, 1, -1, true,
       2},
      {"Label16", ckLabel, 0, "jpeg 形式のみ", {561, 118}},
      {"Label18", ckLabel, 0,
       "上のファイル名リストにある画像ファイルに対して回転処理を実行し、出力先フォルダへ保存します。",
       {20, 259}},
      {"Label20", ckLabel, 0, kDestLabel, {20, 292}},
      {"Edit_RotateDest", ckEdit, 0, "", {120, 288, 430, 21}, {}, 1, -1, true, 3},
      {"SpeedButton_RotateDest", ckButton, 0, "...", {560, 287, 24, 22}, {}, 1, -1, true, -1,
       "SpeedButton_RotateDestClick"},
      {"Label2", ckLabel, 0, "回転方向", {23, 361}},
      {"RadioGroup_TurnDirection", ckRadioGroup, 0, "", {120, 345, 430, 37},
       {"右回転", "左回転", "１８０度回転"}, 3, 1, true, 4},
      {"SpeedButton_RotateExecute", ckButton, 0, "回転実行", {560, 356, 120, 22}, {}, 1, -1, true,
       -1, "SpeedButton_RotateExecuteClick"},
      {"SpeedButton_TurnProcess", ckButton, 0, kAbort, {559, 398, 120, 22}, {}, 1, -1, false, -1,
       "SpeedButton_TurnProcessClick"},

      // Tab 2: enfuse batch file.
      {"Label5", ckLabel, 1, kSourceLabel, {20, 20}},
      {"Edit_EnfuseSource", ckEdit, 1, "", {120, 16, 430, 21}, {}, 1, -1, true, 0},
      {"SpeedButton_EnfuseSource", ckButton, 1, "...", {560, 15, 24, 22}, {}, 1, -1, true, -1,
       "SpeedButton_EnfuseSourceClick"},
      {"SpeedButton_EnfuseSourceAuto", ckButton, 1, "... Auto", {594, 15, 86, 22}, {}, 1, -1, true,
       -1, "SpeedButton_EnfuseSourceAutoClick"},
      {"Editor2", ckListEditor, 1, "", {20, 53, 530, 190}, {}, 1, -1, true, 1},
      {"SpeedButton_EnfuseGetImages", ckButton, 1, kGetImages, {560, 54, 120, 22}, {}, 1, -1, true,
       -1, "SpeedButton_EnfuseGetImagesClick"},
      {"CheckBox_EnfuseSubFolder", ckCheckBox, 1, kSubFolder, {560, 91, 120, 17}, {}, 1, -1, true,
       2},
      {"RadioGroup_EnfuseImageType", ckRadioGroup, 1, kImageTypeCaption, {560, 118, 101, 125},
       kFindTypes, 1, 0, true, 6},
      {"Label15", ckLabel, 1, "上記　「対象データフォルダ」　にバッチファイルを出力します。",
       {20, 259}},
      {"Label14", ckLabel, 1, "オプション", {40, 292}},
      {"Edit_Option", ckEdit, 1, "-o", {120, 288, 430, 21}, {}, 1, -1, true, 5},
      {"SpeedButton_EnfuseDefault", ckButton, 1, "デフォルトに戻す", {560, 287, 120, 22}, {}, 1, -1,
       true, -1, "SpeedButton_EnfuseDefaultClick"},
      {"Label10", ckLabel, 1, "バッチファイル名", {40, 360}},
      {"Edit_BatFileName", ckEdit, 1, "makeenfuse.bat", {120, 357, 132, 21}, {}, 1, -1, true, 3},
      {"Label13", ckLabel, 1, "ブラケット", {273, 360}},
      {"Edit_EnfuseBracket", ckEdit, 1, "3", {327, 357, 60, 21}, {}, 1, -1, true, 4},
      {"SpeedButton_EnfuseExecute", ckButton, 1, kExecute, {560, 356, 120, 22}, {}, 1, -1, true, -1,
       "SpeedButton_EnfuseExecuteClick"},

      // Tab 3: rename.
      {"Label3", ckLabel, 2, kSourceLabel, {20, 20}},
      {"Edit_RenameSource", ckEdit, 2, "", {120, 16, 430, 21}, {}, 1, -1, true, 0},
      {"SpeedButton_RenameSource", ckButton, 2, "...", {560, 15, 24, 22}, {}, 1, -1, true, -1,
       "SpeedButton_RenameSourceClick"},
      {"SpeedButton_RenameSourceAuto", ckButton, 2, "... Auto", {594, 15, 86, 22}, {}, 1, -1, true,
       -1, "SpeedButton_RenameSourceAutoClick"},
      {"Editor3", ckListEditor, 2, "", {20, 53, 530, 190}, {}, 1, -1, true, 1},
      {"SpeedButton_RenameGetImages", ckButton, 2, kGetImages, {560, 54, 120, 22}, {}, 1, -1, true,
       -1, "SpeedButton_RenameGetImagesClick"},
      {"CheckBox_RenameSubFolder", ckCheckBox, 2, kSubFolder, {560, 91, 120, 17}, {}, 1, -1, true,
       2},
      {"RadioGroup_RenameImageType", ckRadioGroup, 2, kImageTypeCaption, {560, 118, 101, 125},
       kFindTypes, 1, 0, true, 8},
      {"Label12", ckLabel, 2,
       "上のファイル名リストの各ファイルを、「プレフィックス」＋４桁番号＋「サフィックス」．拡張子にリネー"
       "ムして出力先フォルダへ書き出します",
       {20, 259}},
      {"Label4", ckLabel, 2, kDestLabel, {20, 292}},
      {"Edit_RenameDest", ckEdit, 2, "", {120, 288, 430, 21}, {}, 1, -1, true, 3},
      {"SpeedButton_RenameDest", ckButton, 2, "...", {560, 287, 24, 22}, {}, 1, -1, true, -1,
       "SpeedButton_RenameDestClick"},
      {"Label9", ckLabel, 2, "プレフィックス", {40, 325}},
      {"Edit_Prefix", ckEdit, 2, "Img_", {120, 322, 60, 21}, {}, 1, -1, true, 4},
      {"Label7", ckLabel, 2, "+ ４桁番号 +　サフィックス", {193, 325}},
      {"Edit_Suffix", ckEdit, 2, "", {327, 322, 60, 21}, {}, 1, -1, true, 5},
      {"Label8", ckLabel, 2, ".拡張子", {399, 325}},
      {"Label11", ckLabel, 2, "番号初期値", {40, 360}},
      {"Edit_FirstNumber", ckEdit, 2, "", {120, 357, 60, 21}, {}, 1, -1, true, 6},
      {"Label6", ckLabel, 2, "ステップ", {267, 360}},
      {"Edit_RenameStep", ckEdit, 2, "１", {327, 357, 60, 21}, {}, 1, -1, true, 7},
      {"SpeedButton_RenameExecute", ckButton, 2, kExecute, {560, 356, 120, 22}, {}, 1, -1, true, -1,
       "SpeedButton_RenameExecuteClick"},
      {"SpeedButton_RenameProcess", ckButton, 2, kAbort, {560, 398, 120, 22}, {}, 1, -1, false, -1,
       "SpeedButton_RenameProcessClick"},

      // Tab 4: conversion.
      {"Label17", ckLabel, 3, kSourceLabel, {20, 20}},
      {"Edit_ConversionSource", ckEdit, 3, "", {120, 16, 430, 21}, {}, 1, -1, true, 0},
      {"SpeedButton_ConversionSource", ckButton, 3, "...", {560, 15, 24, 22}, {}, 1, -1, true, -1,
       "SpeedButton_ConversionSourceClick"},
      {"SpeedButton_ConversionSourceAuto", ckButton, 3, "... Auto", {594, 15, 86, 22}, {}, 1, -1,
       true, -1, "SpeedButton_ConversionSourceAutoClick"},
      {"Editor4", ckListEditor, 3, "", {20, 53, 530, 190}, {}, 1, -1, true, 1},
      {"SpeedButton_ConversionGetImages", ckButton, 3, kGetImages, {560, 54, 120, 22}, {}, 1, -1,
       true, -1, "SpeedButton_ConversionGetImagesClick"},
      {"CheckBox_ConversionSubFolder", ckCheckBox, 3, kSubFolder, {560, 91, 120, 17}, {}, 1, -1,
       true, 2},
      {"RadioGroup_ConversionImageFindType", ckRadioGroup, 3, kImageTypeCaption,
       {560, 118, 101, 125}, kFindTypes, 1, 0, true, 4},
      {"Label25", ckLabel, 3,
       "上のファイル名リストにある画像ファイルを変換して、出力先フォルダへ保存します。", {20, 259}},
      {"Label19", ckLabel, 3, kDestLabel, {20, 292}},
      {"Edit_ConversionDest", ckEdit, 3, "", {120, 288, 430, 21}, {}, 1, -1, true, 3},
      {"SpeedButton_ConversionDest", ckButton, 3, "...", {560, 287, 24, 22}, {}, 1, -1, true, -1,
       "SpeedButton_ConversionDestClick"},
      {"RadioGroup_ConversionImageType", ckRadioGroup, 3, " 出力画像形式 ", {120, 326, 256, 37},
       {"bmp", "jpg", "tif"}, 3, 0, true, 5},
      {"SpeedButton_ConversionExecute", ckButton, 3, kExecute, {560, 356, 120, 22}, {}, 1, -1, true,
       -1, "SpeedButton_ConversionExecuteClick"},
      {"SpeedButton_ConversionProcess", ckButton, 3, kAbort, {560, 398, 120, 22}, {}, 1, -1, false,
       -1, "SpeedButton_ConversionProcessClick"},
  };
  return f;
}

}  // namespace

const ControlDescription* FormDescription::Find(std::string_view control_name) const {
  for (const ControlDescription& c : controls) {
    if (c.name == control_name) return &c;
  }
  return nullptr;
}

const FormDescription& MainFormDescription() {
  static const FormDescription description = Build();
  return description;
}

}  // namespace quillo
