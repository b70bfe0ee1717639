#include "app/form_description.h"

#include "listing/image_listing.h"
#include "platform/source_text.h"

namespace quillo {
namespace {

constexpr std::string_view kSourceLabel = N_("対象データフォルダ");
constexpr std::string_view kDestLabel = N_("出力先フォルダ");
constexpr std::string_view kGetImages = N_("画像ファイル名取得");
constexpr std::string_view kSubFolder = N_("サブフォルダも探す");
constexpr std::string_view kImageTypeCaption = N_("画像ファイル形式");
constexpr std::string_view kExecute = N_("出力実行");
constexpr std::string_view kAbort = N_("中断");

std::vector<std::string_view> FindTypeItems() {
  std::vector<std::string_view> items;
  for (const ImageType& type : kImageTypes) items.push_back(type.name);
  return items;
}

// One maker per kind of control, so that each row of the tables below reads as the form does.
ControlDescription Label(std::string_view name, int tab, std::string_view text, ControlBounds at) {
  return {name, ckLabel, tab, text, at};
}

ControlDescription Edit(std::string_view name, int tab, std::string_view text, ControlBounds bounds,
                        int tab_order) {
  return {name, ckEdit, tab, text, bounds, {}, 1, -1, true, tab_order};
}

ControlDescription Check(std::string_view name, int tab, std::string_view text,
                         ControlBounds bounds, int tab_order) {
  return {name, ckCheckBox, tab, text, bounds, {}, 1, -1, true, tab_order};
}

ControlDescription Editor(std::string_view name, int tab, ControlBounds bounds, int tab_order) {
  return {name, ckListEditor, tab, "", bounds, {}, 1, -1, true, tab_order};
}

// Buttons never take the keyboard focus, so none is a tab stop.
ControlDescription Button(std::string_view name, int tab, std::string_view text,
                          ControlBounds bounds, std::string_view handler) {
  return {name, ckButton, tab, text, bounds, {}, 1, -1, true, -1, handler};
}

// The abort buttons, enabled only while their job runs.
ControlDescription DisabledButton(std::string_view name, int tab, std::string_view text,
                                  ControlBounds bounds, std::string_view handler) {
  return {name, ckButton, tab, text, bounds, {}, 1, -1, false, -1, handler};
}

ControlDescription Radio(std::string_view name, int tab, std::string_view caption,
                         ControlBounds bounds, std::vector<std::string_view> items, int columns,
                         int item_index, int tab_order) {
  return {name,    ckRadioGroup, tab,  caption,  bounds, std::move(items),
          columns, item_index,   true, tab_order};
}

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
  f.tabs = {{"TabSheet1", N_("　画像の回転　")},
            {"TabSheet2", N_("　Enfuse バッチファイル作成　")},
            {"TabSheet3", N_("　画像のリネーム　")},
            {"TabSheet4", N_("画像変換")}};
  f.on_show = "FormShow";
  f.on_close = "FormClose";
  f.on_tab_change = "PageControl1Change";

  f.controls = {
      // Tab 1: rotate.
      Label("Label1", 0, kSourceLabel, {20, 20}),
      Edit("Edit_RotateSource", 0, "", {120, 16, 430, 21}, 0),
      Button("SpeedButton_RotateSource", 0, "...", {560, 15, 24, 22},
             "SpeedButton_RotateSourceClick"),
      Button("SpeedButton_RotateSourceAuto", 0, "... Auto", {594, 15, 86, 22},
             "SpeedButton_RotateSourceAutoClick"),
      Editor("Editor1", 0, {20, 53, 530, 190}, 1),
      Button("SpeedButton_RotateGetImages", 0, kGetImages, {560, 54, 120, 22},
             "SpeedButton_RotateGetImagesClick"),
      Check("CheckBox_RotateSubFolder", 0, kSubFolder, {560, 91, 120, 17}, 2),
      Label("Label16", 0, N_("jpeg 形式のみ"), {561, 118}),
      Label("Label18", 0,
            N_("上のファイル名リストにある画像ファイルに対して回転処理を実行し、"
               "出力先フォルダへ保存します。"),
            {20, 259}),
      Label("Label20", 0, kDestLabel, {20, 292}),
      Edit("Edit_RotateDest", 0, "", {120, 288, 430, 21}, 3),
      Button("SpeedButton_RotateDest", 0, "...", {560, 287, 24, 22}, "SpeedButton_RotateDestClick"),
      Label("Label2", 0, N_("回転方向"), {23, 361}),
      Radio("RadioGroup_TurnDirection", 0, "", {120, 345, 430, 37},
            {N_("右回転"), N_("左回転"), N_("１８０度回転")}, 3, 1, 4),
      Button("SpeedButton_RotateExecute", 0, N_("回転実行"), {560, 356, 120, 22},
             "SpeedButton_RotateExecuteClick"),
      DisabledButton("SpeedButton_TurnProcess", 0, kAbort, {559, 398, 120, 22},
                     "SpeedButton_TurnProcessClick"),

      // Tab 2: enfuse batch file.
      Label("Label5", 1, kSourceLabel, {20, 20}),
      Edit("Edit_EnfuseSource", 1, "", {120, 16, 430, 21}, 0),
      Button("SpeedButton_EnfuseSource", 1, "...", {560, 15, 24, 22},
             "SpeedButton_EnfuseSourceClick"),
      Button("SpeedButton_EnfuseSourceAuto", 1, "... Auto", {594, 15, 86, 22},
             "SpeedButton_EnfuseSourceAutoClick"),
      Editor("Editor2", 1, {20, 53, 530, 190}, 1),
      Button("SpeedButton_EnfuseGetImages", 1, kGetImages, {560, 54, 120, 22},
             "SpeedButton_EnfuseGetImagesClick"),
      Check("CheckBox_EnfuseSubFolder", 1, kSubFolder, {560, 91, 120, 17}, 2),
      Radio("RadioGroup_EnfuseImageType", 1, kImageTypeCaption, {560, 118, 101, 125},
            FindTypeItems(), 1, 0, 6),
      Label("Label15", 1, N_("上記　「対象データフォルダ」　にバッチファイルを出力します。"),
            {20, 259}),
      Label("Label14", 1, N_("オプション"), {40, 292}),
      Edit("Edit_Option", 1, "-o", {120, 288, 430, 21}, 5),
      Button("SpeedButton_EnfuseDefault", 1, N_("デフォルトに戻す"), {560, 287, 120, 22},
             "SpeedButton_EnfuseDefaultClick"),
      Label("Label10", 1, N_("バッチファイル名"), {40, 360}),
      Edit("Edit_BatFileName", 1, "makeenfuse.bat", {120, 357, 132, 21}, 3),
      Label("Label13", 1, N_("ブラケット"), {273, 360}),
      Edit("Edit_EnfuseBracket", 1, "3", {327, 357, 60, 21}, 4),
      Button("SpeedButton_EnfuseExecute", 1, kExecute, {560, 356, 120, 22},
             "SpeedButton_EnfuseExecuteClick"),

      // Tab 3: rename.
      Label("Label3", 2, kSourceLabel, {20, 20}),
      Edit("Edit_RenameSource", 2, "", {120, 16, 430, 21}, 0),
      Button("SpeedButton_RenameSource", 2, "...", {560, 15, 24, 22},
             "SpeedButton_RenameSourceClick"),
      Button("SpeedButton_RenameSourceAuto", 2, "... Auto", {594, 15, 86, 22},
             "SpeedButton_RenameSourceAutoClick"),
      Editor("Editor3", 2, {20, 53, 530, 190}, 1),
      Button("SpeedButton_RenameGetImages", 2, kGetImages, {560, 54, 120, 22},
             "SpeedButton_RenameGetImagesClick"),
      Check("CheckBox_RenameSubFolder", 2, kSubFolder, {560, 91, 120, 17}, 2),
      Radio("RadioGroup_RenameImageType", 2, kImageTypeCaption, {560, 118, 101, 125},
            FindTypeItems(), 1, 0, 8),
      Label("Label12", 2,
            N_("上のファイル名リストの各ファイルを、「プレフィックス」＋４桁番号＋「サフィックス」"
               "．拡張子にリネームして出力先フォルダへ書き出します"),
            {20, 259}),
      Label("Label4", 2, kDestLabel, {20, 292}),
      Edit("Edit_RenameDest", 2, "", {120, 288, 430, 21}, 3),
      Button("SpeedButton_RenameDest", 2, "...", {560, 287, 24, 22}, "SpeedButton_RenameDestClick"),
      Label("Label9", 2, N_("プレフィックス"), {40, 325}),
      Edit("Edit_Prefix", 2, "Img_", {120, 322, 60, 21}, 4),
      Label("Label7", 2, N_("+ ４桁番号 +　サフィックス"), {193, 325}),
      Edit("Edit_Suffix", 2, "", {327, 322, 60, 21}, 5),
      Label("Label8", 2, N_(".拡張子"), {399, 325}),
      Label("Label11", 2, N_("番号初期値"), {40, 360}),
      Edit("Edit_FirstNumber", 2, "", {120, 357, 60, 21}, 6),
      Label("Label6", 2, N_("ステップ"), {267, 360}),
      Edit("Edit_RenameStep", 2, "１", {327, 357, 60, 21}, 7),
      Button("SpeedButton_RenameExecute", 2, kExecute, {560, 356, 120, 22},
             "SpeedButton_RenameExecuteClick"),
      DisabledButton("SpeedButton_RenameProcess", 2, kAbort, {560, 398, 120, 22},
                     "SpeedButton_RenameProcessClick"),

      // Tab 4: conversion.
      Label("Label17", 3, kSourceLabel, {20, 20}),
      Edit("Edit_ConversionSource", 3, "", {120, 16, 430, 21}, 0),
      Button("SpeedButton_ConversionSource", 3, "...", {560, 15, 24, 22},
             "SpeedButton_ConversionSourceClick"),
      Button("SpeedButton_ConversionSourceAuto", 3, "... Auto", {594, 15, 86, 22},
             "SpeedButton_ConversionSourceAutoClick"),
      Editor("Editor4", 3, {20, 53, 530, 190}, 1),
      Button("SpeedButton_ConversionGetImages", 3, kGetImages, {560, 54, 120, 22},
             "SpeedButton_ConversionGetImagesClick"),
      Check("CheckBox_ConversionSubFolder", 3, kSubFolder, {560, 91, 120, 17}, 2),
      Radio("RadioGroup_ConversionImageFindType", 3, kImageTypeCaption, {560, 118, 101, 125},
            FindTypeItems(), 1, 0, 4),
      Label("Label25", 3,
            N_("上のファイル名リストにある画像ファイルを変換して、出力先フォルダへ保存します。"),
            {20, 259}),
      Label("Label19", 3, kDestLabel, {20, 292}),
      Edit("Edit_ConversionDest", 3, "", {120, 288, 430, 21}, 3),
      Button("SpeedButton_ConversionDest", 3, "...", {560, 287, 24, 22},
             "SpeedButton_ConversionDestClick"),
      Radio("RadioGroup_ConversionImageType", 3, N_(" 出力画像形式 "), {120, 326, 256, 37},
            {"bmp", "jpg", "tif"}, 3, 0, 5),
      Button("SpeedButton_ConversionExecute", 3, kExecute, {560, 356, 120, 22},
             "SpeedButton_ConversionExecuteClick"),
      DisabledButton("SpeedButton_ConversionProcess", 3, kAbort, {560, 398, 120, 22},
                     "SpeedButton_ConversionProcessClick"),
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
