#include "app/main_form.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string_view>
#include <vector>

#include "app/form_description.h"
#include "platform/errors.h"
#include "platform/text_rules.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_window.h"

namespace quillo {
namespace {

using testing::TempDir;

class MainForm : public ::testing::Test {
 protected:
  TempDir dir;
  HeadlessApp app{dir.File("Quillomark.exe")};
  TForm1& form = app.Form();
};

TEST_F(MainForm, IntegerValuesFallBackToOneAndWriteDecimal) {
  struct Row {
    const char* text;
    int32_t step;
  };
  for (const Row& row : {Row{"\xEF\xBC\x91", 1}, Row{"", 1}, Row{"abc", 1}, Row{"1 ", 1},
                         Row{"$10", 16}, Row{"0x10", 16}, Row{"  -2", -2}}) {
    app.Type("Edit_RenameStep", row.text);
    EXPECT_EQ(form.Step(), row.step) << row.text;
  }
  app.Type("Edit_EnfuseBracket", "three");
  EXPECT_EQ(form.EnfuseBracket(), 1);
  app.Type("Edit_FirstNumber", "x");
  EXPECT_EQ(form.FirstNumber(), 1);
  form.SetFirstNumber(-40);
  EXPECT_EQ(app.Text("Edit_FirstNumber"), "-40");
  form.SetStep(0);
  EXPECT_EQ(app.Text("Edit_RenameStep"), "0");
  form.SetEnfuseBracket(12);
  EXPECT_EQ(app.Text("Edit_EnfuseBracket"), "12");
}

TEST_F(MainForm, TextValuesPassThroughUnchanged) {
  form.SetPrefix(" a b ");
  form.SetSuffix("_x");
  form.SetBatFileName("run.bat");
  form.SetEnfuseOption("-o --exposure-weight=1");
  EXPECT_EQ(app.Text("Edit_Prefix"), " a b ");
  EXPECT_EQ(form.Suffix(), "_x");
  EXPECT_EQ(form.BatFileName(), "run.bat");
  EXPECT_EQ(form.EnfuseOption(), "-o --exposure-weight=1");
}

TEST_F(MainForm, TurnDirectionUsesTheLowSevenBitsAndClamps) {
  struct Row {
    int32_t written;
    uint8_t read;
  };
  for (const Row& row :
       {Row{1, 1}, Row{2, 2}, Row{300, 2}, Row{128, 0}, Row{127, 2}, Row{-1, 2}, Row{129, 1}}) {
    form.SetTurnDirection(row.written);
    EXPECT_EQ(form.TurnDirection(), row.read) << row.written;
  }
  app.Pick("RadioGroup_TurnDirection", -5);
  EXPECT_EQ(form.TurnDirection(), 255);
}

TEST_F(MainForm, StartSelectsTheFirstTabWithEmptyStatusAndDisabledAbortButtons) {
  app.Window().SelectTab(2);
  app.Show();
  EXPECT_EQ(app.Window().ActiveTab(), 0);
  EXPECT_EQ(app.Status(), "");
  EXPECT_TRUE(app.Window().StatusHistory().empty());
  for (const char* abort :
       {"SpeedButton_TurnProcess", "SpeedButton_RenameProcess", "SpeedButton_ConversionProcess"}) {
    EXPECT_FALSE(app.Window().SpeedButton(abort).Enabled()) << abort;
  }
}

TEST_F(MainForm, AbortHandlersOnlyClearTheirOwnFlag) {
  const struct {
    const char* handler;
    bool TForm1::*flag;
  } rows[] = {{"SpeedButton_TurnProcessClick", &TForm1::rotate_running},
              {"SpeedButton_RenameProcessClick", &TForm1::rename_running},
              {"SpeedButton_ConversionProcessClick", &TForm1::conversion_running}};
  for (const auto& row : rows) {
    form.rotate_running = form.rename_running = form.conversion_running = true;
    app.Window().SetStatusText("busy");
    form.Dispatch(row.handler);
    EXPECT_FALSE(form.*row.flag) << row.handler;
    EXPECT_EQ(form.rotate_running + form.rename_running + form.conversion_running, 2);
    EXPECT_EQ(app.Status(), "busy");
  }
  EXPECT_FALSE(app.Window().SpeedButton("SpeedButton_RenameProcess").Enabled());
}

TEST_F(MainForm, SwitchingTabsEmptiesTheStatusText) {
  for (int tab = 0; tab < 4; ++tab) {
    app.Window().SetStatusText("処理中 x");
    app.SwitchTab(tab);
    EXPECT_EQ(app.Status(), "");
    EXPECT_EQ(app.Window().ActiveTab(), tab);
  }
}

TEST_F(MainForm, DefaultButtonRestoresTheEnfuseOption) {
  app.Type("Edit_Option", "--hard-mask");
  app.Click("SpeedButton_EnfuseDefault");
  EXPECT_EQ(app.Text("Edit_Option"), "-o");
  EXPECT_FALSE(std::filesystem::exists(dir.File("Quillomark.ini")));
}

TEST(ErrorBox, AppendsAPeriodOnlyAfterCharactersSortingAfterIt) {
  EXPECT_EQ(ErrorBoxText(""), "");
  EXPECT_EQ(ErrorBoxText("bad"), "bad.");
  EXPECT_EQ(ErrorBoxText("done."), "done.");
  EXPECT_EQ(ErrorBoxText("what?"), "what?.");
  EXPECT_EQ(ErrorBoxText("a-"), "a-");
  EXPECT_EQ(ErrorBoxText("a "), "a ");
  EXPECT_EQ(ErrorBoxText("エラー"), "エラー.");
  EXPECT_EQ(ErrorBoxText("開けません。"), "開けません。.");
}

TEST(ErrorBox, DoubleByteLastCharacterCountsAsOne) {
  ScopedTextRules rules(trWindowsJapanese);
  // 0x81 0x2D would be "-" as a single byte; as the second byte of a character it counts not.
  EXPECT_EQ(ErrorBoxText("x\x81\x2D"), "x\x81\x2D.");
}

TEST(ApplicationTitle, CutsAtTheFirstDotAndLowersAllButTheFirstCharacter) {
  EXPECT_EQ(ApplicationTitleFor("/opt/bin/Quillomark.exe"), "Quillomark");
  EXPECT_EQ(ApplicationTitleFor("/opt/bin/QUILLO.MARK.exe"), "Quillo");
  EXPECT_EQ(ApplicationTitleFor("/opt/bin/quillomark"), "quillomark");
}

TEST(Dispatch, ShowsEscapingErrorsWithTheTitleAndStaysSilentForAbort) {
  TempDir dir;
  HeadlessApp app(dir.File("PhotoTool.exe"));
  app.Type("Edit_EnfuseSource", dir.File("gone"));
  app.Click("SpeedButton_EnfuseGetImages");
  ASSERT_EQ(app.Boxes().size(), 1u);
  EXPECT_EQ(app.Boxes()[0].caption, "Phototool");
  EXPECT_EQ(app.Boxes()[0].icon, miError);
  EXPECT_THROW(app.Form().Dispatch("NoSuchHandler"), std::logic_error);
  EXPECT_EQ(app.Boxes().size(), 1u);
}

// A handler name the form describes but TForm1 lacks would throw at the user's click.
TEST(FormDescription, EveryHandlerNameHasAHandler) {
  const FormDescription& form = MainFormDescription();
  std::vector<std::string_view> names = {form.on_show, form.on_close, form.on_tab_change};
  for (const ControlDescription& control : form.controls) {
    if (!control.handler.empty()) names.push_back(control.handler);
  }
  for (const std::string_view name : names) EXPECT_TRUE(TForm1::HasHandler(name)) << name;
}

TEST(FormDescription, EveryClickHandlerNamesAControlOnItsTab) {
  const FormDescription& form = MainFormDescription();
  EXPECT_EQ(form.caption, "Quillomark.exe");
  EXPECT_EQ(form.min_width, 703);
  EXPECT_EQ(form.min_height, 517);
  ASSERT_EQ(form.tabs.size(), 4u);
  EXPECT_EQ(form.tabs[3].caption, "画像変換");
  for (const ControlDescription& control : form.controls) {
    EXPECT_GE(control.tab, 0);
    EXPECT_LT(control.tab, 4);
    if (control.kind == ckButton) {
      EXPECT_FALSE(control.handler.empty()) << control.name;
    }
    EXPECT_EQ(form.Find(control.name), &control);
  }
}

// An abort raised while a job runs leaves silently; the job still ends idle.
TEST_F(MainForm, AbortRaisedInsideAJobShowsNoBoxAndLeavesTheJobIdle) {
  const std::string photo = dir.Write("in/a.jpg", "x");
  app.Type("Edit_RenameSource", dir.File("in"));
  app.Type("Edit_RenameDest", dir.Mkdir("out") + "/");
  app.SetLines("Editor3", {photo});
  app.Window().pump_hook = [] { throw EAbort("stop"); };
  EXPECT_TRUE(app.Click("SpeedButton_RenameExecute"));
  EXPECT_TRUE(app.Boxes().empty());
  EXPECT_FALSE(form.rename_running);
  EXPECT_FALSE(app.Window().SpeedButton("SpeedButton_RenameProcess").Enabled());

  app.Window().pump_hook = [] { throw Exception("pump failed"); };
  app.Click("SpeedButton_RenameExecute");
  ASSERT_EQ(app.Boxes().size(), 1u);
  EXPECT_EQ(app.Boxes()[0].text, "pump failed.");
  EXPECT_FALSE(form.rename_running);
}

}  // namespace
}  // namespace quillo
