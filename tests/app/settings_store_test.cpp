#include "app/settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <iterator>

#include "platform/ini_file.h"
#include "support/child_process.h"
#include "support/permission_checks.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_window.h"

namespace quillo {
namespace {

using testing::ReadFile;
using testing::TempDir;

constexpr char kDefaultFile[] =
    "[data]\nPrefix=Img_\nSuffix=\nFirstNumber=1\nStep=1\nEnfuseBracket=3\n"
    "BatFileName=makeenfuse.bat\nEnfuseOption=-o\nTurnDirection=1\n";

// The eight values as the controls show them, joined by "|".
std::string Shown(HeadlessApp& app) {
  std::string shown;
  for (const char* edit : {"Edit_Prefix", "Edit_Suffix", "Edit_FirstNumber", "Edit_RenameStep",
                           "Edit_EnfuseBracket", "Edit_BatFileName", "Edit_Option"}) {
    shown += app.Text(edit) + "|";
  }
  return shown + std::to_string(app.Window().Radio("RadioGroup_TurnDirection").ItemIndex());
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
  EXPECT_EQ(Shown(app), "Img_||1|1|3|makeenfuse.bat|-o|1");
  EXPECT_EQ(app.Window().ActiveTab(), 0);
  EXPECT_FALSE(std::filesystem::exists(Ini()));

  app.Close();
  EXPECT_EQ(ReadFile(Ini()), kDefaultFile);
  EXPECT_TRUE(app.Boxes().empty());
}

TEST_F(SettingsStoreTest, StoredTextsLoadByTheirKind) {
  const struct {
    std::string lines;  // of the [data] section
    std::string shown;
  } cases[] = {
      {"EnfuseBracket=abc\nStep=１\nFirstNumber=$10\n", "Img_||16|0|0|makeenfuse.bat|-o|1"},
      {"Prefix=\nSuffix=\nFirstNumber=\nStep=\nEnfuseBracket=\nBatFileName=\nEnfuseOption=\n"
       "TurnDirection=\n",
       "||0|0|0|||0"},
      {"TurnDirection=2\n", "Img_||1|1|3|makeenfuse.bat|-o|2"},
      {"TurnDirection=-1\n", "Img_||1|1|3|makeenfuse.bat|-o|2"},
      {"TurnDirection=128\n", "Img_||1|1|3|makeenfuse.bat|-o|0"},
      {"  prefix =  \"  x \"  \nSTEP= -2\nSuffix=写真\n", "  x |写真|1|-2|3|makeenfuse.bat|-o|1"},
      {"Prefix=" + std::string(3000, 'p') + "\n",
       std::string(2047, 'p') + "||1|1|3|makeenfuse.bat|-o|1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines);
    dir_.Write("Quillomark.ini", "[data]\n" + c.lines);
    HeadlessApp app(Exe());
    app.Show();
    EXPECT_EQ(Shown(app), c.shown);
    EXPECT_TRUE(app.Boxes().empty());
  }
}

TEST_F(SettingsStoreTest, IntegerEditTextsAreSavedByTheWindowRule) {
  HeadlessApp app(Exe());
  app.Show();
  app.Type("Edit_EnfuseBracket", "abc");
  app.Type("Edit_RenameStep", "１");
  app.Type("Edit_FirstNumber", "0x10");
  app.Pick("RadioGroup_TurnDirection", 0);
  app.Close();
  EXPECT_EQ(ReadFile(Ini()),
            "[data]\nPrefix=Img_\nSuffix=\nFirstNumber=16\nStep=1\nEnfuseBracket=1\n"
            "BatFileName=makeenfuse.bat\nEnfuseOption=-o\nTurnDirection=0\n");
}

TEST_F(SettingsStoreTest, OtherProgramsLinesSurviveByteForByte) {
  const std::string head = "; written by hand\r\n[Other]\r\nPrefix = not ours \r\n\r\n[DATA]\r\n";
  const std::string tail = "\r\n[last]\r\nkey=\x95\x5c\r\n";
  dir_.Write("Quillomark.ini",
             head + "prefix = \"old\"\r\nWindow=10,20\r\nTurnDirection=2\r\n" + tail);
  HeadlessApp app(Exe());
  app.Show();
  EXPECT_EQ(app.Text("Edit_Prefix"), "old");
  app.Type("Edit_Prefix", "new");
  app.Close();
  EXPECT_EQ(ReadFile(Ini()), head +
                                 "prefix=new\r\nWindow=10,20\r\nTurnDirection=2\r\nSuffix=\r\n"
                                 "FirstNumber=1\r\nStep=1\r\nEnfuseBracket=3\r\n"
                                 "BatFileName=makeenfuse.bat\r\nEnfuseOption=-o\r\n" +
                                 tail);
}

TEST_F(SettingsStoreTest, RenamedExecutableUsesItsOwnFile) {
  dir_.Write("Quillomark.ini", "[data]\nPrefix=old name\n");
  for (const auto& [executable, ini] : {std::pair{"Renamed.exe", "Renamed.ini"},
                                        {"tools.d/quillomark", "tools.d/quillomark.ini"}}) {
    SCOPED_TRACE(executable);
    dir_.Mkdir("tools.d");
    HeadlessApp app(dir_.File(executable));
    app.Show();
    EXPECT_EQ(app.Text("Edit_Prefix"), "Img_");
    app.Type("Edit_Prefix", executable);
    app.Close();
    EXPECT_EQ(TIniFile(dir_.File(ini)).ReadString("data", "Prefix", ""), executable);
  }
  EXPECT_EQ(ReadFile(Ini()), "[data]\nPrefix=old name\n");
}

TEST_F(SettingsStoreTest, ProtectedFileOrFolderReportsTheWriteErrorAndTheWindowStillCloses) {
  // The user's configuration folder, where a file that cannot be made beside the executable
  // goes, is read-only too.
  const std::string config = dir_.Mkdir("config");
  ::chmod(config.c_str(), 0555);
  const testing::ScopedEnvironment config_home("XDG_CONFIG_HOME", config);
  const struct {
    const char* name;
    bool file_exists;
    mode_t file_mode;
    mode_t folder_mode;
    bool saved;
    bool in_config;  // the file goes to the configuration folder
  } cases[] = {
      // No temporary file can be made beside it, but the file itself may be written.
      {"WritableFileInReadOnlyFolderIsRewrittenInPlace", true, 0644, 0555, true, false},
      {"ReadOnlyFileInWritableFolderIsKept", true, 0444, 0755, false, false},
      {"NoFileInReadOnlyFolderNorConfigurationFolder", false, 0, 0555, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string folder = dir_.Mkdir(c.name);
    const std::string ini =
        c.in_config ? config + "/quillomark/Quillomark.ini" : folder + "/Quillomark.ini";
    if (c.file_exists) {
      dir_.Write(std::string(c.name) + "/Quillomark.ini", kDefaultFile);
      ::chmod(ini.c_str(), c.file_mode);
    }
    ::chmod(folder.c_str(), c.folder_mode);
    HeadlessApp app(folder + "/Quillomark.exe");
    app.Show();
    app.Type("Edit_Prefix", "changed");
    {
      testing::ScopedPermissionChecks checks;
      app.Close();
    }
    EXPECT_FALSE(app.Form().JobActive());
    if (c.saved) {
      EXPECT_TRUE(app.Boxes().empty());
      EXPECT_EQ(TIniFile(ini).ReadString("data", "Prefix", ""), "changed");
    } else {
      ASSERT_EQ(app.Boxes().size(), 1u);
      EXPECT_EQ(app.Boxes()[0].icon, miError);
      EXPECT_EQ(app.Boxes()[0].caption, "Quillomark");
      EXPECT_EQ(app.Boxes()[0].text, ini + " に書き込めません.");
      EXPECT_EQ(ReadFile(ini), c.file_exists ? kDefaultFile : "");
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}),
              c.file_exists ? 1 : 0);
  }
  EXPECT_TRUE(std::filesystem::is_empty(config));
}

TEST_F(SettingsStoreTest, LinkedSettingsFileUpdatesTheFileItLeadsToAndStaysALink) {
  const std::string real = dir_.Write("dotfiles/quillomark.ini", kDefaultFile);
  ASSERT_EQ(::symlink("dotfiles/quillomark.ini", Ini().c_str()), 0);
  HeadlessApp app(Exe());
  app.Show();
  app.Type("Edit_Prefix", "linked");
  app.Close();
  EXPECT_TRUE(app.Boxes().empty());
  EXPECT_TRUE(std::filesystem::is_symlink(Ini()));
  EXPECT_EQ(TIniFile(real).ReadString("data", "Prefix", ""), "linked");
}

TEST_F(SettingsStoreTest, NamedPipeAsSettingsFileIsNeitherWaitedForNorReplaced) {
  ASSERT_EQ(::mkfifo(Ini().c_str(), 0600), 0);
  // Nobody writes to the pipe: a read that waited for a writer would never end.
  const int status = testing::RunInChild(
      [&] {
        HeadlessApp app(Exe());
        app.Show();
        const bool defaults = Shown(app) == "Img_||1|1|3|makeenfuse.bat|-o|1";
        app.Close();
        const bool refused =
            app.Boxes().size() == 1 && app.Boxes()[0].text == Ini() + " に書き込めません.";
        return defaults && refused ? 0 : 1;
      },
      std::chrono::seconds(60));
  EXPECT_EQ(status, 0) << "-1: the window waited on the pipe";
  struct stat st {};
  ASSERT_EQ(::lstat(Ini().c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
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

TEST_F(SettingsStoreTest, ItemsAreSelectedByNameWithoutCase) {
  dir_.Write("Quillomark.ini", "[data]\nPrefix=stored\n");
  HeadlessApp app(Exe());
  TRegManager& reg = app.Form().Reg1;
  reg.SetIniFileName(Ini());
  EXPECT_EQ(reg.SelectItem("prefix").ReadString(), "stored");
  EXPECT_EQ(reg.SelectItem("enfuseBRACKET").ReadInteger(), 3);
  EXPECT_TRUE(app.Boxes().empty());

  TRegFiler& filer = reg.SelectItem("Prefixes");
  ASSERT_EQ(app.Boxes().size(), 1u);
  EXPECT_EQ(app.Boxes()[0].icon, miError);
  EXPECT_EQ(app.Boxes()[0].caption, "エラー");
  EXPECT_EQ(app.Boxes()[0].text, "[' Prefixes '] is invalid.");
  EXPECT_EQ(filer.ReadString(), "");
  EXPECT_EQ(filer.ReadInteger(), 0);
  EXPECT_FALSE(filer.ReadBool());
  filer.WriteString("x");
  filer.WriteBool(true);
  EXPECT_EQ(ReadFile(Ini()), "[data]\nPrefix=stored\n");
  EXPECT_EQ(app.Boxes().size(), 1u);
}

TEST_F(SettingsStoreTest, StoreThatCannotOpenGivesDefaultsAndSkipsWrites) {
  const struct {
    TRegType type;
    const char* reg_dir;
    const char* message;  // empty: no dialog
  } cases[] = {
      {rtIni, "", "can not create Inifile object."},
      {rtReg, "", "can not create Registry object."},
      {rtReg, "Software\\Quillomark", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    HeadlessApp app(Exe());
    TRegManager& reg = app.Form().Reg1;
    reg.SetRegType(c.type);
    reg.SetIniFileName(c.type == rtReg ? Ini() : "");
    reg.SetRegDir(c.reg_dir);
    EXPECT_EQ(reg.SelectItem("Prefix").ReadString(), "Img_");
    EXPECT_EQ(reg.SelectItem("EnfuseBracket").ReadInteger(), 3);
    reg.SelectItem("Prefix").WriteString("x");
    ASSERT_EQ(app.Boxes().size(), c.message[0] ? 3u : 0u);
    for (const ShownBox& box : app.Boxes()) EXPECT_EQ(box.text, c.message);
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir_.Path()));
}

TEST_F(SettingsStoreTest, BooleansUseTheLowByteAndTheirOwnDefaults) {
  dir_.Write("Quillomark.ini", "[flags]\nB=2\nC=256\nD=abc\n");
  HeadlessApp app(Exe());
  TRegManager& reg = app.Form().Reg1;
  reg.SetIniFileName(Ini());
  const struct {
    const char* key;
    const char* default_value;
    bool expected;
  } cases[] = {{"A", "yes", true}, {"A", "True", true}, {"A", "2", false},
               {"B", "", true},    {"C", "1", false},   {"D", "1", false}};
  for (const auto& c : cases) {
    const std::string name = std::string("Flag") + c.key + c.default_value;
    reg.RegItems().Add({name, "flags", c.key, c.default_value});
    EXPECT_EQ(reg.SelectItem(name).ReadBool(), c.expected) << name;
  }
  reg.RegItems().Add({"Written", "flags", "W", ""});
  reg.SelectItem("Written").WriteBool(true);
  reg.SelectItem("Written").WriteBool(false);
  EXPECT_EQ(ReadFile(Ini()), "[flags]\nB=2\nC=256\nD=abc\nW=0\n");
}

}  // namespace
}  // namespace quillo
