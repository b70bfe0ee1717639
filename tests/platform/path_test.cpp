#include "platform/path.h"

#include <gtest/gtest.h>

#include "platform/text_compare.h"
#include "platform/text_rules.h"

namespace quillo {
namespace {

// Shift-JIS bytes: 表 is 0x95 0x5C, whose second byte is the code of "\"; 写真 is 0x8E 0xCA 0x90
// 0x5E; ソ is 0x83 0x5C.
constexpr char kHyo[] = "\x95\x5C";
constexpr char kShashin[] = "\x8E\xCA\x90\x5E";
constexpr char kSo[] = "\x83\x5C";

TEST(NativePath, PartsSplitAtTheLastSlashAndDot) {
  EXPECT_EQ(ExtractFileName("/photos/a.b/img.1.JPG"), "img.1.JPG");
  EXPECT_EQ(ExtractFilePath("/photos/a.b/img.1.JPG"), "/photos/a.b/");
  EXPECT_EQ(ExtractFileExt("/photos/a.b/img.1.JPG"), ".JPG");
  EXPECT_EQ(ExtractFileExt("/photos/a.b/img"), "");
  EXPECT_EQ(ChangeFileExt("/photos/a.b/img", ".ini"), "/photos/a.b/img.ini");
  EXPECT_EQ(ChangeFileExt("/opt/quillomark", ".ini"), "/opt/quillomark.ini");
  EXPECT_EQ(ChangeFileExt("x.tar.gz", ".bmp"), "x.tar.bmp");
  EXPECT_EQ(AddTrailingBackslash("/photos"), "/photos/");
  EXPECT_EQ(AddTrailingBackslash("/photos/"), "/photos/");
  EXPECT_EQ(AddTrailingBackslash(""), "/");
}

TEST(NativeText, OnlyWellFormedUtf8SequencesAreOneCharacter) {
  const struct {
    const char* text;
    size_t length;  // of the character at offset 0
  } cases[] = {
      {"\xE9.j", 1},            // Latin-1 é: a byte of its own
      {"\xC3\xA9.j", 2},        // UTF-8 é
      {"\xE2\x82\xAC", 3},      // €
      {"\xF0\x9F\x93\xB7", 4},  // a four-byte character
      {"\xE2\x82", 1},          // cut short by the end
      {"\xE0\x80\x80", 1},      // overlong form
      {"\xED\xA0\x80", 1},      // surrogate
      {"\xF4\x90\x80\x80", 1},  // beyond U+10FFFF
      {"\xC0\xAF", 1},          // overlong "/"
  };
  const TextRules rules(trNative);
  for (const auto& c : cases) {
    EXPECT_EQ(rules.CharLength(c.text, 0), c.length) << c.text;
  }
}

TEST(NativePath, NamesThatAreNoUtf8KeepTheirSeparatorsAndExtension) {
  EXPECT_EQ(ExtractFileExt("/photos/caf\xE9.jpg"), ".jpg");
  EXPECT_EQ(ExtractFileName("/photos/d\xE9/a.jpg"), "a.jpg");
  EXPECT_EQ(ExtractFileExt("/photos/\xE0\x80.jpg"), ".jpg");
  EXPECT_EQ(ChangeFileExt("caf\xE9.jpg", ".ini"), "caf\xE9.ini");
}

TEST(WindowsJapanesePath, TrailingDelimiterCountsOnlySingleByteBackslash) {
  ScopedTextRules rules(trWindowsJapanese);
  EXPECT_EQ(AddTrailingBackslash("D:\\"), "D:\\");
  EXPECT_EQ(AddTrailingBackslash("D:"), "D:\\");
  EXPECT_EQ(AddTrailingBackslash(std::string("D:\\") + kShashin),
            std::string("D:\\") + kShashin + "\\");
  EXPECT_EQ(AddTrailingBackslash(std::string("D:\\") + kHyo), std::string("D:\\") + kHyo + "\\");
  EXPECT_EQ(AddTrailingBackslash(std::string("D:\\") + kHyo + "\\"),
            std::string("D:\\") + kHyo + "\\");
  EXPECT_EQ(AddTrailingBackslash(""), "\\");
}

TEST(FolderPrefix, AddsTheDelimiterToATypedFolderThatLacksIt) {
  const struct {
    const char* name;
    TextRuleSet rules;
    std::string folder;
    std::string expected;
  } rows[] = {
      {"NoDelimiter", trNative, "/tmp/out", "/tmp/out/"},
      {"EndsInDelimiter", trNative, "/tmp/out/", "/tmp/out/"},
      {"EmptyStaysEmpty", trNative, "", ""},
      {"Root", trNative, "/", "/"},
      {"WindowsNoDelimiter", trWindowsJapanese, "D:\\out", "D:\\out\\"},
      {"WindowsSecondByteIsNoDelimiter", trWindowsJapanese, std::string("D:\\") + kHyo,
       std::string("D:\\") + kHyo + "\\"},
      {"WindowsEmptyStaysEmpty", trWindowsJapanese, "", ""},
  };
  for (const auto& row : rows) {
    ScopedTextRules rules(row.rules);
    EXPECT_EQ(FolderPrefix(row.folder), row.expected) << row.name;
  }
}

TEST(WindowsJapanesePath, SecondByteBackslashIsNoSeparator) {
  ScopedTextRules rules(trWindowsJapanese);
  const std::string path = std::string("C:\\") + kHyo + "\\" + kSo + "t.a.jpg";
  EXPECT_EQ(ExtractFileName(path), std::string(kSo) + "t.a.jpg");
  EXPECT_EQ(ExtractFilePath(path), std::string("C:\\") + kHyo + "\\");
  EXPECT_EQ(ExtractFileExt(path), ".jpg");
  // A name made of a double-byte character ending in 0x5C keeps the whole character.
  EXPECT_EQ(ExtractFileName(std::string("C:\\") + kHyo), kHyo);
  EXPECT_EQ(ExtractFileName("C:name.bmp"), "name.bmp");
  EXPECT_EQ(ExtractFileExt(std::string("C:\\a.b\\") + kHyo), "");
  EXPECT_EQ(ChangeFileExt(std::string("C:\\d.x\\") + kHyo, ".ini"),
            std::string("C:\\d.x\\") + kHyo + ".ini");
}

TEST(WindowsJapanesePath, GuardRestoresNativeRules) {
  {
    ScopedTextRules rules(trWindowsJapanese);
    EXPECT_EQ(CurrentTextRules().Set(), trWindowsJapanese);
  }
  EXPECT_EQ(CurrentTextRules().Set(), trNative);
  EXPECT_EQ(ExtractFileName("a\\b"), "a\\b");
}

TEST(TextCompare, FoldsAsciiOnlyAndLeavesDoubleByteCharactersAlone) {
  EXPECT_EQ(CompareTextIgnoreCase("abc", "ABC"), 0);
  EXPECT_LT(CompareTextIgnoreCase("a.jpg", "B.JPG"), 0);
  EXPECT_GT(CompareTextIgnoreCase("c", "B"), 0);
  EXPECT_LT(CompareTextIgnoreCase("ab", "abc"), 0);
  EXPECT_TRUE(SameTextIgnoreCase("DaTa", "data"));
  EXPECT_EQ(UpperCase(".jpeg"), ".JPEG");
  ScopedTextRules rules(trWindowsJapanese);
  // The second byte of ｱ-range double-byte characters may be a lower-case letter; it stays.
  EXPECT_EQ(UpperCase("\x82\x61x"), "\x82\x61X");
}

// Agrees with comparing UpperCase's result, double-byte characters included.
TEST(TextCompare, UpperCaseEqualsComparesAsTheUpperCasedCopyWould) {
  const struct {
    const char* text;
    const char* upper;
    bool equal;
  } rows[] = {
      {".jpg", ".JPG", true},
      {".JpG", ".JPG", true},
      {".jpg", ".jpg", false},
      {".jpg", ".JPEG", false},
      {"", "", true},
      {".\x82\x61", ".\x82\x61", true},
      {".\x82\x61", ".\x82\x41", false},
      {".\x82\x61x", ".\x82\x61X", true},
  };
  ScopedTextRules rules(trWindowsJapanese);
  for (const auto& row : rows) {
    EXPECT_EQ(UpperCaseEquals(row.text, row.upper), row.equal) << row.text << " " << row.upper;
    EXPECT_EQ(UpperCase(row.text) == row.upper, row.equal) << row.text << " " << row.upper;
  }
}

}  // namespace
}  // namespace quillo
