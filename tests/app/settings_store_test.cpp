#include "app/settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/ini_file.h"
#include "support/permission_checks.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_window.h"

namespace quillo {
namespace {

using testing::ReadFile;
using testing::TempDir;

constexpr char kDefaultFile[] =
    "[data]\nPrefix=Img_\nSuffix=\nFirstNumber=1\nStep=1\nEnfuseBracket=3\n"
    "BatFileName=makeenfuse.bat\nEnfuseOption=-o\nTurnDirection=1\n";

// The eight values as the controls show them.
struct Shown {
  std::string prefix, suffix, first_number, step, bracket, bat_file, option;
  int turn;
  bool operator==(const Shown&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Shown& s) {
  return out << s.prefix << "|" << s.suffix << "|" << s.first_number << "|" << s.step << "|"
             << s.bracket << "|" << s.bat_file << "|" << s.option << "|" << s.turn;
}

Shown ShownValues(HeadlessApp& app) {
  return {
      app.Text("Edit_Prefix"),        app.Text("Edit_Suffix"),
      app.Text("Edit_FirstNumber"),   app.Text("Edit_RenameStep"),
      app.Text("Edit_EnfuseBracket"), app.Text("Edit_BatFileName"),
      app.Text("Edit_Option"),        app.Window().Radio("RadioGroup_TurnDirection").ItemIndex()};
}

class SettingsStoreTest : public ::testing::Test {
 protected:
  std::string Exe() const { return dir_.File("Quillomark.exe"); }
  std::string Ini() const { return dir_.File("Quillomark.ini"); }

  TempDir dir_;
};

TEST_F(SettingsStoreTest, FirstStartShowsDefaultsAndCloseCreatesTheFile) {
  HeadlessApp app(Exe());
  app.Window().SelectTab(2);
  app.Show();
  EXPECT_EQ(ShownValues(app), (Shown{"Img_", "", "1", "1", "3", "makeenfuse.bat", "-o", 1}));
  EXPECT_EQ(app.Window().ActiveTab(), 0);
  EXPECT_TRUE(app.Boxes().empty());
  EXPECT_FALSE(std::filesystem::exists(Ini()));

  app.Close();
  EXPECT_EQ(ReadFile(Ini()), kDefaultFile);
  EXPECT_TRUE(app.Boxes().empty());
}

TEST_F(SettingsStoreTest, ClosedValuesAreShownAtTheNextStart) {
  {
    HeadlessApp app(Exe());
    app.Show();
    app.Type("Edit_Prefix", "写真_");
    app.Type("Edit_Suffix", "_a");
    app.Type("Edit_FirstNumber", "$10");
    app.Type("Edit_RenameStep", "  -2");
    app.Type("Edit_EnfuseBracket", "5");
    app.Type("Edit_BatFileName", "run.bat");
    app.Type("Edit_Option", "-o --exposure-weight=0");
    app.Pick("RadioGroup_TurnDirection", 2);
    app.Close();
  }
  HeadlessApp app(Exe());
  app.Show();
  EXPECT_EQ(ShownValues(app),
            (Shown{"写真_", "_a", "16", "-2", "5", "run.bat", "-o --exposure-weight=0", 2}));
}

struct StoredCase {
  const char* name;
  const char* lines;  // the [data] section's lines
  Shown shown;
};

TEST_F(SettingsStoreTest, StoredTextsLoadByTheirKind) {
  const Shown defaults{"Img_", "", "1", "1", "3", "makeenfuse.bat", "-o", 1};
  const StoredCase cases[] = {
      {"NotAnIntegerIsZero",
       "EnfuseBracket=abc\nStep=１\nFirstNumber=1x\n",
       {"Img_", "", "0", "0", "0", "makeenfuse.bat", "-o", 1}},
      {"EmptyValues",
       "Prefix=\nSuffix=\nFirstNumber=\nStep=\nEnfuseBracket=\nBatFileName=\nEnfuseOption=\n"
       "TurnDirection=\n",
       {"", "", "0", "0", "0", "", "", 0}},
      {"TurnDirectionTwo",
       "TurnDirection=2\n",
       {"Img_", "", "1", "1", "3", "makeenfuse.bat", "-o", 2}},
      {"TurnDirectionMinusOne",
       "TurnDirection=-1\n",
       {"Img_", "", "1", "1", "3", "makeenfuse.bat", "-o", 2}},
      {"TurnDirection128",
       "TurnDirection=128\n",
       {"Img_", "", "1", "1", "3", "makeenfuse.bat", "-o", 0}},
      {"TurnDirection300",
       "TurnDirection=300\n",
       {"Img_", "", "1", "1", "3", "makeenfuse.bat", "-o", 2}},
      {"KeysWithoutCaseAndBlanks",
       "  prefix =  \"  x \"  \nSTEP= 0x10\n",
       {"  x ", "", "1", "16", "3", "makeenfuse.bat", "-o", 1}},
      {"OtherKeysOnly", "Other=1\n", defaults},
  };
  for (const StoredCase& c : cases) {
    SCOPED_TRACE(c.name);
    dir_.Write("Quillomark.ini", std::string("[data]\n") + c.lines);
    HeadlessApp app(Exe());
    app.Show();
    EXPECT_EQ(ShownValues(app), c.shown);
    EXPECT_TRUE(app.Boxes().empty());
  }
}

TEST_F(SettingsStoreTest, IntegerEditTextsAreSavedByTheWindowRule) {
  HeadlessApp app(Exe());
  app.Show();
  app.Type("Edit_EnfuseBracket", "abc");
  app.Type("Edit_RenameStep", "１");
  app.Type("Edit_FirstNumber", "");
  app.Pick("RadioGroup_TurnDirection", 0);
  app.Close();
  EXPECT_EQ(ReadFile(Ini()),
            "[data]\nPrefix=Img_\nSuffix=\nFirstNumber=1\nStep=1\nEnfuseBracket=1\n"
            "BatFileName=makeenfuse.bat\nEnfuseOption=-o\nTurnDirection=0\n");
}

TEST_F(SettingsStoreTest, LongValueIsCutAt2047Bytes) {
  dir_.Write("Quillomark.ini", "[data]\nPrefix=" + std::string(3000, 'p') + "\n");
  HeadlessApp app(Exe());
  app.Show();
  EXPECT_EQ(app.Text("Edit_Prefix"), std::string(2047, 'p'));
}

TEST_F(SettingsStoreTest, OtherProgramsLinesSurviveByteForByte) {
  const std::string before =
      "; written by hand\r\n"
      "[Other]\r\n"
      "Prefix = not ours \r\n"
      "\r\n"
      "[DATA]\r\n"
      "prefix = \"old\"\r\n"
      "Window=10,20\r\n"
      "TurnDirection=2\r\n"
      "\r\n"
      "[last]\r\n"
      "key=\x95\x5c\r\n";
  dir_.Write("Quillomark.ini", before);
  HeadlessApp app(Exe());
  app.Show();
  EXPECT_EQ(app.Text("Edit_Prefix"), "old");
  app.Type("Edit_Prefix", "new");
  app.Close();
  EXPECT_EQ(ReadFile(Ini()),
            "; written by hand\r\n"
            "[Other]\r\n"
            "Prefix = not ours \r\n"
            "\r\n"
            "[DATA]\r\n"
            "prefix=new\r\n"
            "Window=10,20\r\n"
            "TurnDirection=2\r\n"
            "Suffix=\r\n"
            "FirstNumber=1\r\n"
            "Step=1\r\n"
            "EnfuseBracket=3\r\n"
            "BatFileName=makeenfuse.bat\r\n"
            "EnfuseOption=-o\r\n"
            "\r\n"
            "[last]\r\n"
            "key=\x95\x5c\r\n");
}

TEST_F(SettingsStoreTest, RenamedExecutableUsesItsOwnFile) {
  dir_.Write("Quillomark.ini", "[data]\nPrefix=old name\n");
  const struct {
    const char* executable;
    const char* ini;
  } cases[] = {{"Renamed.exe", "Renamed.ini"},
               {"quillomark", "quillomark.ini"},
               {"tools.d/quillomark", "tools.d/quillomark.ini"},
               {"q.v2.exe", "q.v2.ini"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.executable);
    dir_.Mkdir("tools.d");
    HeadlessApp app(dir_.File(c.executable));
    app.Show();
    EXPECT_EQ(app.Text("Edit_Prefix"), "Img_");
    app.Type("Edit_Prefix", c.executable);
    app.Close();
    TIniFile written(dir_.File(c.ini));
    EXPECT_EQ(written.ReadString("data", "Prefix", ""), c.executable);
  }
  EXPECT_EQ(ReadFile(Ini()), "[data]\nPrefix=old name\n");
}

TEST_F(SettingsStoreTest, RefusedWriteIsReportedAndTheWindowStillCloses) {
  dir_.Write("Quillomark.ini", kDefaultFile);
  ::chmod(dir_.Str().c_str(), 0555);
  HeadlessApp app(Exe());
  app.Show();
  app.Type("Edit_Prefix", "changed");
  {
    testing::ScopedPermissionChecks checks;
    app.Close();
  }
  ASSERT_EQ(app.Boxes().size(), 1u);
  EXPECT_EQ(app.Boxes()[0].icon, miError);
  EXPECT_EQ(app.Boxes()[0].caption, "Quillomark");
  EXPECT_EQ(app.Boxes()[0].text, Ini() + " に書き込めません.");
  EXPECT_EQ(ReadFile(Ini()), kDefaultFile);
  EXPECT_FALSE(app.Form().JobActive());
}

TEST_F(SettingsStoreTest, RefusedWriteEndsTheSaveAtThatKey) {
  dir_.Write("Quillomark.ini", kDefaultFile);
  HeadlessApp app(Exe());
  app.Show();
  app.Type("Edit_Prefix", "saved");
  app.Type("Edit_Suffix", "broken\nline");
  app.Type("Edit_FirstNumber", "7");
  app.Close();
  ASSERT_EQ(app.Boxes().size(), 1u);
  EXPECT_EQ(app.Boxes()[0].text, Ini() + " に書き込めません.");
  EXPECT_EQ(ReadFile(Ini()),
            "[data]\nPrefix=saved\nSuffix=\nFirstNumber=1\nStep=1\nEnfuseBracket=3\n"
            "BatFileName=makeenfuse.bat\nEnfuseOption=-o\nTurnDirection=1\n");
}

TEST_F(SettingsStoreTest, ItemNamesAreFoundRegardlessOfCase) {
  dir_.Write("Quillomark.ini", "[data]\nPrefix=stored\n");
  HeadlessApp app(Exe());
  TRegManager& reg = app.Form().Reg1;
  reg.SetIniFileName(Ini());
  EXPECT_EQ(reg.SelectItem("prefix").ReadString(), "stored");
  EXPECT_EQ(reg.SelectItem("PREFIX").SelectedItem()->Name, "Prefix");
  EXPECT_EQ(reg.SelectItem("enfuseBRACKET").ReadInteger(), 3);
  EXPECT_TRUE(app.Boxes().empty());
}

TEST_F(SettingsStoreTest, UnknownItemIsReportedAndSelectsNothing) {
  dir_.Write("Quillomark.ini", "[data]\nPrefix=stored\n");
  HeadlessApp app(Exe());
  TRegManager& reg = app.Form().Reg1;
  reg.SetIniFileName(Ini());
  reg.SelectItem("Prefix");
  TRegFiler& filer = reg.SelectItem("Prefixes");
  ASSERT_EQ(app.Boxes().size(), 1u);
  EXPECT_EQ(app.Boxes()[0].icon, miError);
  EXPECT_EQ(app.Boxes()[0].caption, "エラー");
  EXPECT_EQ(app.Boxes()[0].text, "[' Prefixes '] is invalid.");
  EXPECT_EQ(filer.SelectedItem(), nullptr);
  EXPECT_EQ(filer.ReadString(), "");
  EXPECT_EQ(filer.ReadInteger(), 0);
  EXPECT_FALSE(filer.ReadBool());
  filer.WriteString("x");
  filer.WriteInteger(1);
  filer.WriteBool(true);
  EXPECT_EQ(ReadFile(Ini()), "[data]\nPrefix=stored\n");
  EXPECT_EQ(app.Boxes().size(), 1u);
}

TEST_F(SettingsStoreTest, StoreThatCannotOpenGivesDefaultsAndSkipsWrites) {
  struct {
    TRegType type;
    const char* ini_file_name;
    const char* reg_dir;
    const char* message;  // empty: no dialog
  } cases[] = {
      {rtIni, "", "", "can not create Inifile object."},
      {rtReg, "", "", "can not create Registry object."},
      {rtReg, "ignored.ini", "Software\\Quillomark", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    HeadlessApp app(Exe());
    TRegManager& reg = app.Form().Reg1;
    reg.SetRegType(c.type);
    reg.SetIniFileName(c.ini_file_name[0] ? dir_.File(c.ini_file_name) : "");
    reg.SetRegDir(c.reg_dir);
    EXPECT_EQ(reg.SelectItem("Prefix").ReadString(), "Img_");
    EXPECT_EQ(reg.SelectItem("EnfuseBracket").ReadInteger(), 3);
    reg.SelectItem("Prefix").WriteString("x");
    const size_t expected_boxes = c.message[0] ? 3 : 0;
    ASSERT_EQ(app.Boxes().size(), expected_boxes);
    for (const ShownBox& box : app.Boxes()) {
      EXPECT_EQ(box.caption, "エラー");
      EXPECT_EQ(box.text, c.message);
    }
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir_.Path()));
}

TEST_F(SettingsStoreTest, ItemWithoutSectionOrKeyIsNeitherReadNorWritten) {
  dir_.Write("Quillomark.ini", "[]\n=stored\n[data]\n=stored\n");
  HeadlessApp app(Exe());
  TRegManager& reg = app.Form().Reg1;
  reg.SetIniFileName(Ini());
  reg.RegItems().Add({"NoSection", "", "Key", "default"});
  reg.RegItems().Add({"NoKey", "data", "", "default"});
  for (const char* name : {"NoSection", "NoKey"}) {
    EXPECT_EQ(reg.SelectItem(name).ReadString(), "default");
    reg.SelectItem(name).WriteString("x");
  }
  EXPECT_EQ(ReadFile(Ini()), "[]\n=stored\n[data]\n=stored\n");
  EXPECT_TRUE(app.Boxes().empty());
}

TEST_F(SettingsStoreTest, BooleansUseTheLowByteAndTheirOwnDefaults) {
  HeadlessApp app(Exe());
  TRegManager& reg = app.Form().Reg1;
  reg.SetIniFileName(Ini());
  const struct {
    const char* default_value;
    const char* stored;  // nullptr: key absent
    bool expected;
  } cases[] = {
      {"yes", nullptr, true}, {"True", nullptr, true}, {"1", nullptr, true},
      {"2", nullptr, false},  {"", nullptr, false},    {"", "2", true},
      {"1", "256", false},    {"1", "abc", false},     {"0", "-1", true},
  };
  int row = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.default_value) + "/" + (c.stored ? c.stored : "absent"));
    const std::string name = "Flag" + std::to_string(row++);
    reg.RegItems().Add({name, "flags", name, c.default_value});
    if (c.stored != nullptr) TIniFile(Ini()).WriteString("flags", name, c.stored);
    EXPECT_EQ(reg.SelectItem(name).ReadBool(), c.expected);
  }
  reg.RegItems().Add({"Written", "flags", "Written", ""});
  reg.SelectItem("Written").WriteBool(true);
  EXPECT_EQ(TIniFile(Ini()).ReadString("flags", "Written", ""), "1");
  reg.SelectItem("Written").WriteBool(false);
  EXPECT_EQ(TIniFile(Ini()).ReadString("flags", "Written", ""), "0");
}

}  // namespace
}  // namespace quillo
