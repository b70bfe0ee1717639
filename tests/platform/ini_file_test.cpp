#include "platform/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "support/permission_checks.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

using testing::ReadFile;
using testing::TempDir;

struct ReadCase {
  const char* name;
  const char* content;
  const char* key;
  const char* expected;
};

TEST(IniFileRead, FindsValuesByTheServiceRules) {
  const ReadCase cases[] = {
      {"SectionAndKeyWithoutCase", "[DATA]\nprefix=x\n", "Prefix", "x"},
      {"BlanksAroundEqualsAndAtEnds", "[data]\n  Prefix  =  \t a b \t\n", "Prefix", "a b"},
      {"DoubleQuotesStripped", "[data]\nPrefix=\"  q  \"\n", "Prefix", "  q  "},
      {"SingleQuotesStripped", "[data]\nPrefix='s'\n", "Prefix", "s"},
      {"OnlyOnePairStripped", "[data]\nPrefix=\"\"x\"\"\n", "Prefix", "\"x\""},
      {"UnmatchedQuotesKept", "[data]\nPrefix=\"x'\n", "Prefix", "\"x'"},
      {"EqualsInValue", "[data]\nPrefix=a=b\n", "Prefix", "a=b"},
      {"WindowsLineBreaks", "[data]\r\nPrefix=a\r\nSuffix=b\r\n", "Prefix", "a"},
      {"StrayCarriageReturnIsBlank", "[data\r]\r\nPrefix=a\r", "Prefix", "a"},
      {"FirstOfTwoKeys", "[data]\nPrefix=1\nPrefix=2\n", "Prefix", "1"},
      {"MissingSection", "[other]\nPrefix=x\n", "Prefix", "fallback"},
      {"KeyOfAnotherSection", "[data]\n[other]\nPrefix=x\n", "Prefix", "fallback"},
      {"OnlyTheFirstSectionOfAName", "[data]\nA=1\n[data]\nPrefix=x\n", "Prefix", "fallback"},
      {"KeyBeforeAnySection", "Prefix=x\n[data]\n", "Prefix", "fallback"},
      {"CommentIsNoKey", "[data]\n;Prefix=x\n", "Prefix", "fallback"},
  };
  TempDir dir;
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.Write("settings.ini", c.content);
    EXPECT_EQ(TIniFile(path).ReadString("data", c.key, "fallback"), c.expected);
  }
}

TEST(IniFileRead, LongValuesAreCutAfterQuotesAreStripped) {
  TempDir dir;
  const std::string long_value(3000, 'v');
  const std::string path = dir.Write("a.ini", "[data]\nPrefix=" + long_value + "\n");
  EXPECT_EQ(TIniFile(path).ReadString("data", "Prefix", ""), std::string(2047, 'v'));

  const std::string exact(2047, 'q');
  dir.Write("a.ini", "[data]\nPrefix=\"" + exact + "\"\n");
  EXPECT_EQ(TIniFile(path).ReadString("data", "Prefix", ""), exact);
}

struct WriteCase {
  const char* name;
  const char* before;
  const char* key;
  const char* value;
  const char* after;
};

TEST(IniFileWrite, ChangesOnlyTheKeyLine) {
  const WriteCase cases[] = {
      {"UpdatedWhereItStands", "; mine\n[data]\nPrefix=old\nSuffix=s\n\n[other]\nx = 1\n", "Prefix",
       "new", "; mine\n[data]\nPrefix=new\nSuffix=s\n\n[other]\nx = 1\n"},
      {"FileSpellingOfKeyKept", "[Data]\n  prefix = old  \n", "Prefix", "new",
       "[Data]\nprefix=new\n"},
      {"OnlyFirstSectionOfAName", "[data]\nA=1\n[data]\nPrefix=x\n", "Prefix", "y",
       "[data]\nA=1\nPrefix=y\n[data]\nPrefix=x\n"},
      {"NewKeyBeforeBlankLines", "[data]\nA=1\n\n\n[other]\nB=2\n", "Prefix", "p",
       "[data]\nA=1\nPrefix=p\n\n\n[other]\nB=2\n"},
      {"NewKeyAtEndWithoutBreak", "[data]\nA=1", "Prefix", "p", "[data]\nA=1\nPrefix=p"},
      {"HeaderEndingInCarriageReturn", "[data\r", "Prefix", "p", "[data\r\nPrefix=p"},
      {"NewSectionAppended", "[other]\nB=2\n", "Prefix", "p", "[other]\nB=2\n[data]\nPrefix=p\n"},
      {"NewSectionAfterLastLineWithoutBreak", "[other]\nB=2", "Prefix", "p",
       "[other]\nB=2\n[data]\nPrefix=p\n"},
      {"WindowsLineBreaksKept", "[data]\r\nA=1\r\n", "Prefix", "p",
       "[data]\r\nA=1\r\nPrefix=p\r\n"},
      {"ValueWrittenAsGiven", "", "Prefix", " \"q\" ", "[data]\nPrefix= \"q\" \n"},
      {"ShiftJisBytesKept", "[data]\n\x95\x5c=\x8e\xca\n", "Prefix", "\x90\x5e",
       "[data]\n\x95\x5c=\x8e\xca\nPrefix=\x90\x5e\n"},
  };
  TempDir dir;
  for (const WriteCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.Write("settings.ini", c.before);
    TIniFile(path).WriteString("data", c.key, c.value);
    EXPECT_EQ(ReadFile(path), c.after);
  }
}

// The names in a folder, sorted: a refused write leaves no temporary file behind.
std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

void ExpectRefused(const TIniFile& ini, std::string_view section, std::string_view key,
                   std::string_view value) {
  try {
    ini.WriteString(section, key, value);
    ADD_FAILURE() << "the write was not refused";
  } catch (const EIniFileException& error) {
    EXPECT_EQ(error.Message(), ini.FileName() + " に書き込めません");
  }
}

TEST(IniFileWrite, RefusedWritesRaiseAndLeaveEverythingAsItWas) {
  TempDir dir;
  const std::string before = "[data]\nPrefix=old\n";
  const TIniFile locked(dir.Write("locked/a.ini", before));
  ::chmod(locked.FileName().c_str(), 0444);
  ::chmod(dir.File("locked").c_str(), 0555);
  {
    testing::ScopedPermissionChecks checks;
    ExpectRefused(locked, "data", "Prefix", "new");
    ExpectRefused(TIniFile(dir.File("locked/new.ini")), "data", "Prefix", "new");
  }
  EXPECT_EQ(ReadFile(locked.FileName()), before);
  EXPECT_EQ(FolderNames(dir.File("locked")), std::vector<std::string>{"a.ini"});

  dir.Mkdir("folder.ini");
  ExpectRefused(TIniFile(dir.File("folder.ini")), "data", "Prefix", "x");
  ExpectRefused(TIniFile(dir.File("missing/a.ini")), "data", "Prefix", "x");
  ExpectRefused(TIniFile(""), "data", "Prefix", "x");

  // Text that would add lines or change what a line means.
  const TIniFile ini(dir.Write("a.ini", before));
  for (const auto& [section, key, value] : {std::tuple{"data", "Prefix", "two\nlines"},
                                            {"data", "Prefix", "carriage\rreturn"},
                                            {"data", "Pre=fix", "x"},
                                            {"data", "[Prefix", "x"},
                                            {"data", ";Prefix", "x"},
                                            {"da]ta", "Prefix", "x"}}) {
    ExpectRefused(ini, section, key, value);
  }
  EXPECT_EQ(ReadFile(ini.FileName()), before);
  EXPECT_EQ(FolderNames(dir.Str()), (std::vector<std::string>{"a.ini", "folder.ini", "locked"}));
}

}  // namespace
}  // namespace quillo
