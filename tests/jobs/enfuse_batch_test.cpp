#include "jobs/enfuse_batch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "platform/errors.h"
#include "platform/text_rules.h"
#include "support/permission_checks.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_window.h"

namespace quillo {
namespace {

constexpr char kMkdir[] = "if not exist \"enfused\\.\" mkdir enfused\r\n";

struct LineCase {
  const char* name;
  std::vector<std::string> bracket;
  const char* option;
  const char* expected;
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

class EnfuseLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(EnfuseLine, JoinsBaseNamesAndListsTheInputs) {
  EXPECT_EQ(BuildEnfuseLine(GetParam().bracket, GetParam().option), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EnfuseLine,
    ::testing::Values(
        LineCase{"EmptyOption", {"a.jpg", "b.jpg"}, "", "enfuse  enfused/a-b.jpg a.jpg b.jpg"},
        LineCase{"SeveralOptions",
                 {"a.jpg"},
                 "--exposure-weight=0 -o",
                 "enfuse --exposure-weight=0 -o enfused/a.jpg a.jpg"},
        LineCase{"ExtensionOfTheFirstFile",
                 {"A.JPG", "B.tif", "C.JPG"},
                 "-o",
                 "enfuse -o enfused/A-B-C.JPG A.JPG B.tif C.JPG"},
        LineCase{"SeveralDots",
                 {"IMG.0001.JPG", "IMG.0002.JPG"},
                 "-o",
                 "enfuse -o enfused/IMG.0001-IMG.0002.JPG IMG.0001.JPG IMG.0002.JPG"},
        LineCase{
            "NoExtension", {"raw1", "raw2.tif"}, "-o", "enfuse -o enfused/raw1-raw2 raw1 raw2.tif"},
        LineCase{"EmptyNames",
                 {"a.jpg", "", "c.jpg", ""},
                 "-o",
                 "enfuse -o enfused/a--c-.jpg a.jpg  c.jpg "},
        LineCase{"BlankIsQuoted",
                 {"my shot.jpg", "b.jpg"},
                 "-o",
                 "enfuse -o \"enfused/my shot-b.jpg\" \"my shot.jpg\" b.jpg"},
        LineCase{"TabIsQuoted", {"a\tb.jpg"}, "-o", "enfuse -o \"enfused/a\tb.jpg\" \"a\tb.jpg\""},
        LineCase{"OperatorsAreQuoted",
                 {"a&b.jpg", "c|d.jpg", "e<f>.jpg", "g^h.jpg"},
                 "-o",
                 "enfuse -o \"enfused/a&b-c|d-e<f>-g^h.jpg\" \"a&b.jpg\" \"c|d.jpg\" \"e<f>.jpg\" "
                 "\"g^h.jpg\""},
        LineCase{"PercentIsDoubled",
                 {"100%.jpg", "%PATH%.jpg"},
                 "-o",
                 "enfuse -o \"enfused/100%%-%%PATH%%.jpg\" \"100%%.jpg\" \"%%PATH%%.jpg\""},
        LineCase{"QuotingOnlyTheNamesThatNeedIt",
                 {"a.jpg", "b c.jpg"},
                 "-o",
                 "enfuse -o \"enfused/a-b c.jpg\" a.jpg \"b c.jpg\""}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return info.param.name; });

TEST(EnfuseLineJapanese, SecondBytesOfDoubleByteCharactersAreNoOperators) {
  const ScopedTextRules rules(trWindowsJapanese);
  // ポ is 0x83 0x7C and タ is 0x83 0x5E: their second bytes equal "|" and "^".
  EXPECT_EQ(BuildEnfuseLine({"\x83\x7C.jpg", "\x83\x5E.jpg"}, "-o"),
            "enfuse -o enfused/\x83\x7C-\x83\x5E.jpg \x83\x7C.jpg \x83\x5E.jpg");
  EXPECT_EQ(BuildEnfuseLine({"\x83\x7C|.jpg"}, "-o"),
            "enfuse -o \"enfused/\x83\x7C|.jpg\" \"\x83\x7C|.jpg\"");
}

class EnfuseJob : public ::testing::Test {
 protected:
  EnfuseJob() : app_("/opt/quillomark/Quillomark.exe") {
    app_.Type("Edit_EnfuseSource", dir_.Slash());
  }

  std::string Run(const std::vector<std::string>& lines,
                  const std::string& batch_file = "makeenfuse.bat") {
    app_.SetLines("Editor2", lines);
    EXPECT_TRUE(app_.Click("SpeedButton_EnfuseExecute"));
    return testing::ReadFile(dir_.File(batch_file));
  }

  testing::TempDir dir_;
  HeadlessApp app_;
};

TEST_F(EnfuseJob, WritesOneLinePerCompleteBracketEndingInCrLf) {
  app_.Type("Edit_EnfuseSource", dir_.Str());
  app_.Type("Edit_BatFileName", "/run.bat");
  app_.SetLines("Editor2", {dir_.File("s1.jpg"), dir_.File("s2.jpg"), dir_.File("s3.jpg"),
                            dir_.File("sub/s4.jpg"), "s5.jpg", "s6.jpg"});

  EXPECT_TRUE(app_.Click("SpeedButton_EnfuseExecute"));

  EXPECT_EQ(testing::ReadFile(dir_.File("run.bat")),
            std::string(kMkdir) +
                "enfuse -o enfused/s1-s2-s3.jpg s1.jpg s2.jpg s3.jpg\r\n"
                "enfuse -o enfused/s4-s5-s6.jpg s4.jpg s5.jpg s6.jpg\r\n");
  EXPECT_EQ(app_.Status(), "Complete!");
  EXPECT_EQ(app_.Window().Pumps(), 0);
}

TEST_F(EnfuseJob, BracketSizeDecidesWhichGroupsGetALine) {
  const std::string one_each =
      "enfuse -o enfused/a.jpg a.jpg\r\nenfuse -o enfused/b.jpg b.jpg\r\n"
      "enfuse -o enfused/c.jpg c.jpg\r\nenfuse -o enfused/d.jpg d.jpg\r\n"
      "enfuse -o enfused/e.jpg e.jpg\r\n";
  struct Case {
    const char* bracket;
    std::string lines;
  };
  const Case cases[] = {
      {"2", "enfuse -o enfused/a-b.jpg a.jpg b.jpg\r\nenfuse -o enfused/c-d.jpg c.jpg d.jpg\r\n"},
      {"1", one_each},
      {"abc", one_each},
      {"$5", "enfuse -o enfused/a-b-c-d-e.jpg a.jpg b.jpg c.jpg d.jpg e.jpg\r\n"},
      {"6", ""},
      {"0", ""},
      {"-3", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bracket);
    app_.Type("Edit_EnfuseBracket", c.bracket);
    EXPECT_EQ(Run({"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}), kMkdir + c.lines);
  }
}

TEST_F(EnfuseJob, FileNamesAreSplitByThePathRules) {
  const ScopedTextRules rules(trWindowsJapanese);
  app_.Type("Edit_EnfuseBracket", "4");
  // 表 is 0x95 0x5C: its second byte is no separator. A dot in a folder name is no extension.
  const std::string hyo = "\x95\x5C";
  // Under these rules "/" ends no folder, so the batch file's path gets their delimiter.
  EXPECT_EQ(Run({"C:\\shots\\IMG_0001.JPG", "D:x.v2\\y", hyo + "a.jpg", "C:\\" + hyo + "\\b.tif"},
                "\\makeenfuse.bat"),
            std::string(kMkdir) + "enfuse -o enfused/IMG_0001-y-" + hyo +
                "a-b.JPG IMG_0001.JPG y " + hyo + "a.jpg b.tif\r\n");
}

TEST_F(EnfuseJob, ExistingBatchFileIsReplaced) {
  dir_.Write("makeenfuse.bat", std::string(5000, 'x'));
  app_.Type("Edit_EnfuseBracket", "7");

  EXPECT_EQ(Run({"missing.jpg"}), kMkdir);
  EXPECT_EQ(std::filesystem::directory_iterator(dir_.Path())->path().filename(), "makeenfuse.bat");
}

TEST_F(EnfuseJob, FailingChecksWriteNothing) {
  struct Case {
    const char* name;
    std::string source;
    std::vector<std::string> lines;
  };
  const Case cases[] = {{"empty source text", "", {"a.jpg"}},
                        {"source does not exist", dir_.File("gone/"), {"a.jpg"}},
                        {"source is a file", dir_.Write("plain"), {"a.jpg"}},
                        {"empty list", dir_.Slash(), {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    app_.Type("Edit_EnfuseSource", c.source);
    app_.Window().SetStatusText("before");

    Run(c.lines);

    EXPECT_EQ(app_.Status(), "before");
    EXPECT_FALSE(std::filesystem::exists(dir_.File("makeenfuse.bat")));
    EXPECT_FALSE(std::filesystem::exists(dir_.File("plainmakeenfuse.bat")));
    EXPECT_TRUE(app_.Boxes().empty());
  }
}

TEST_F(EnfuseJob, UncreatableBatchFileShowsTheCreateError) {
  struct Case {
    const char* name;
    std::string file_name;
    int error;
  };
  const Case cases[] = {{"empty name", "", EISDIR}, {"missing folder", "no/such.bat", ENOENT}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    app_.ClearBoxes();
    app_.Type("Edit_BatFileName", c.file_name);
    app_.SetLines("Editor2", {"a.jpg"});

    EXPECT_TRUE(app_.Click("SpeedButton_EnfuseExecute"));

    ASSERT_EQ(app_.Boxes().size(), 1u);
    EXPECT_EQ(app_.Boxes()[0].text,
              ErrorBoxText(Format(kFileCreateErrorPattern,
                                  {dir_.Slash() + c.file_name, std::strerror(c.error)})));
    EXPECT_NE(app_.Status(), "Complete!");
    EXPECT_TRUE(std::filesystem::is_empty(dir_.Path()));
  }
}

TEST_F(EnfuseJob, ReadOnlyBatchFileIsRefusedAndKept) {
  const std::string batch = dir_.Write("makeenfuse.bat", "protected");
  ::chmod(batch.c_str(), 0444);
  app_.SetLines("Editor2", {"a.jpg"});
  {
    testing::ScopedPermissionChecks checks;
    EXPECT_TRUE(app_.Click("SpeedButton_EnfuseExecute"));
  }
  ASSERT_EQ(app_.Boxes().size(), 1u);
  EXPECT_EQ(app_.Boxes()[0].text,
            ErrorBoxText(Format(kFileCreateErrorPattern, {batch, std::strerror(EACCES)})));
  EXPECT_EQ(testing::ReadFile(batch), "protected");
  EXPECT_NE(app_.Status(), "Complete!");
}

TEST_F(EnfuseJob, NameThatCouldEndTheQuotingOrTheCommandWritesNoBatchFile) {
  dir_.Write("makeenfuse.bat", "old");
  app_.Type("Edit_EnfuseBracket", "1");
  // Quoted as a whole, x"&calc&".jpg would still run calc.
  for (const std::string name : {"x\"&calc&\".jpg", "a\rcalc.jpg", "b\ncalc.jpg"}) {
    SCOPED_TRACE(name);
    app_.ClearBoxes();
    app_.SetLines("Editor2", {dir_.File("fine.jpg"), dir_.File(name)});

    EXPECT_TRUE(app_.Click("SpeedButton_EnfuseExecute"));

    ASSERT_EQ(app_.Boxes().size(), 1u);
    EXPECT_EQ(app_.Boxes()[0].text, ErrorBoxText(Format(kUnsafeBatchNamePattern, {name})));
    EXPECT_EQ(testing::ReadFile(dir_.File("makeenfuse.bat")), "old");
    EXPECT_NE(app_.Status(), "Complete!");
  }
}

}  // namespace
}  // namespace quillo
