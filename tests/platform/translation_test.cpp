// The catalogue of the user's texts: the language the environment asks for, the compiled
// catalogue read as glibc's gettext reads it, and a catalogue that holds every text of the
// sources (checked with the gettext tools).
#include "platform/translation.h"

#include <gtest/gtest.h>
#include <libintl.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "jobs/job_run.h"
#include "platform/errors.h"
#include "support/temp_dir.h"

namespace quillo {
namespace {

using testing::ReadFile;
using testing::TempDir;

const std::string kBuiltCatalogue =
    std::string(QUILLO_BINARY_DIR) + "/locale/en/LC_MESSAGES/quillomark.mo";
const std::string kPoFile = std::string(QUILLO_PROJECT_DIR) + "/po/en.po";

using Environment = std::map<std::string, std::string>;

EnvironmentLookup LookupIn(const Environment& environment) {
  return [&environment](const char* name) -> const char* {
    const auto found = environment.find(name);
    return found == environment.end() ? nullptr : found->second.c_str();
  };
}

// The output (both streams) and exit status of a shell command.
std::pair<int, std::string> RunCommand(const std::string& command) {
  std::string output;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return {-1, ""};
  char buffer[4096];
  while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  return {pclose(pipe), output};
}

// The msgid and msgstr texts of a .po or .pot file, the header left out.
std::map<std::string, std::string> PoEntries(const std::string& path) {
  std::map<std::string, std::string> entries;
  std::ifstream in(path);
  std::string id;
  std::string text;
  std::string* current = nullptr;
  const auto finish = [&] {
    if (!id.empty()) entries[id] = text;
    id.clear();
    text.clear();
  };
  const auto unquote = [](const std::string& quoted) {
    std::string out;
    for (size_t i = quoted.find('"') + 1; i + 1 < quoted.size(); ++i) {
      if (quoted[i] == '\\') {
        ++i;
        out += quoted[i] == 'n' ? '\n' : quoted[i] == 't' ? '\t' : quoted[i];
      } else {
        out += quoted[i];
      }
    }
    return out;
  };
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("msgid ")) {
      finish();
      current = &id;
      *current = unquote(line);
    } else if (line.starts_with("msgstr ")) {
      current = &text;
      *current = unquote(line);
    } else if (line.starts_with("\"") && current != nullptr) {
      *current += unquote(line);
    }
  }
  finish();
  return entries;
}

std::string SourceFileList(const TempDir& dir) {
  std::ofstream list(dir.File("sources"));
  std::set<std::string> files;
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(std::string(QUILLO_PROJECT_DIR) + "/src")) {
    const std::string ext = entry.path().extension().string();
    if (ext == ".cpp" || ext == ".h") files.insert(entry.path().string());
  }
  for (const std::string& file : files) list << file << '\n';
  return dir.File("sources");
}

TEST(MessageLanguage, FollowsTheEnvironmentAsGettextReadsIt) {
  const struct {
    const char* name;
    Environment environment;
    TMessageLanguage expected;
  } rows[] = {
      {"nothing set", {}, mlSource},
      {"C", {{"LANG", "C"}}, mlSource},
      {"POSIX", {{"LANG", "POSIX"}}, mlSource},
      {"C.UTF-8", {{"LANG", "C.UTF-8"}}, mlSource},
      {"LANGUAGE is not read without a locale", {{"LANG", "C"}, {"LANGUAGE", "en"}}, mlSource},
      {"Japanese", {{"LANG", "ja_JP.UTF-8"}}, mlSource},
      {"Japanese without a country", {{"LANG", "ja"}}, mlSource},
      {"English", {{"LANG", "en_US.UTF-8"}}, mlEnglish},
      {"German gets English", {{"LANG", "de_DE.UTF-8"}}, mlEnglish},
      {"LANGUAGE before the locale", {{"LANG", "ja_JP.UTF-8"}, {"LANGUAGE", "en_GB"}}, mlEnglish},
      {"LANGUAGE asks for Japanese", {{"LANG", "en_US.UTF-8"}, {"LANGUAGE", "ja"}}, mlSource},
      {"first listed language with texts", {{"LANG", "de_DE"}, {"LANGUAGE", "fr:ja:en"}}, mlSource},
      {"no listed language with texts", {{"LANG", "ja_JP"}, {"LANGUAGE", "fr:de"}}, mlEnglish},
      {"LC_ALL before LANG", {{"LC_ALL", "C"}, {"LANG", "en_US.UTF-8"}}, mlSource},
      {"LC_MESSAGES before LANG", {{"LC_MESSAGES", "ja_JP"}, {"LANG", "en_US"}}, mlSource},
      {"LC_ALL before LC_MESSAGES", {{"LC_ALL", "en_US"}, {"LC_MESSAGES", "ja_JP"}}, mlEnglish},
      {"an empty variable counts as unset", {{"LC_ALL", ""}, {"LANG", "en_US"}}, mlEnglish},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(MessageLanguageOf(LookupIn(row.environment)), row.expected) << row.name;
  }
}

// glibc's gettext finds English catalogues only through a locale; C.UTF-8 with LANGUAGE=en is
// one every glibc system has.
class GlibcGettext {
 public:
  GlibcGettext() {
    const char* language = std::getenv("LANGUAGE");
    if (language != nullptr) saved_language_ = language;
    setenv("LANGUAGE", "en", 1);
    const char* locale = std::setlocale(LC_MESSAGES, nullptr);
    saved_locale_ = locale != nullptr ? locale : "C";
    usable_ = std::setlocale(LC_MESSAGES, "C.UTF-8") != nullptr;
    bindtextdomain("quillomark", (std::string(QUILLO_BINARY_DIR) + "/locale").c_str());
    bind_textdomain_codeset("quillomark", "UTF-8");
  }
  ~GlibcGettext() {
    std::setlocale(LC_MESSAGES, saved_locale_.c_str());
    if (saved_language_) {
      setenv("LANGUAGE", saved_language_->c_str(), 1);
    } else {
      unsetenv("LANGUAGE");
    }
  }
  bool Usable() const { return usable_; }
  std::string Text(const std::string& source) const {
    return dgettext("quillomark", source.c_str());
  }

 private:
  std::optional<std::string> saved_language_;
  std::string saved_locale_;
  bool usable_ = false;
};

TEST(MessageCatalogue, ReadsEveryTextAsGlibcGettextDoes) {
  const std::optional<MessageCatalogue> catalogue = MessageCatalogue::Load(kBuiltCatalogue);
  ASSERT_TRUE(catalogue);
  const std::map<std::string, std::string> po = PoEntries(kPoFile);
  ASSERT_FALSE(po.empty());
  EXPECT_EQ(catalogue->Size(), po.size());
  const GlibcGettext gettext;
  if (!gettext.Usable()) GTEST_SKIP() << "no C.UTF-8 locale";
  for (const auto& [source, english] : po) {
    const std::string* found = catalogue->Find(source);
    ASSERT_NE(found, nullptr) << source;
    EXPECT_EQ(*found, english) << source;
    EXPECT_EQ(*found, gettext.Text(source)) << source;
  }
  EXPECT_EQ(catalogue->Find("not a text of the program"), nullptr);
}

TEST(MessageCatalogue, BigEndianCatalogueReadsAsTheLittleEndianOne) {
  TempDir dir;
  const std::string big = dir.File("big.mo");
  const auto [status, output] = RunCommand("msgfmt --endianness=big -o " + big + " " + kPoFile);
  ASSERT_EQ(status, 0) << output;
  const std::optional<MessageCatalogue> little = MessageCatalogue::Load(kBuiltCatalogue);
  const std::optional<MessageCatalogue> swapped = MessageCatalogue::Load(big);
  ASSERT_TRUE(little && swapped);
  ASSERT_EQ(swapped->Size(), little->Size());
  for (const auto& [source, english] : PoEntries(kPoFile)) {
    ASSERT_NE(swapped->Find(source), nullptr) << source;
    EXPECT_EQ(*swapped->Find(source), english);
  }
}

void PutU32(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

uint32_t U32At(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= uint32_t{static_cast<uint8_t>(bytes[at + i])} << (8 * i);
  return value;
}

TEST(MessageCatalogue, DamagedFileIsNoCatalogue) {
  const std::string good = ReadFile(kBuiltCatalogue);
  ASSERT_GT(good.size(), 28u);
  const uint32_t originals = U32At(good, 12);
  const uint32_t first_length = U32At(good, originals + 8);  // the first text after the header
  const struct {
    const char* name;
    std::function<void(std::string&)> damage;
  } rows[] = {
      {"EmptyFile", [](std::string& b) { b.clear(); }},
      {"HeaderCutShort", [](std::string& b) { b.resize(10); }},
      {"WrongMagicNumber", [](std::string& b) { b[0] = 'X'; }},
      {"CountBeyondTheTables", [](std::string& b) { PutU32(b, 8, 0x10000000); }},
      {"TablePastTheEnd", [](std::string& b) { PutU32(b, 12, 0xFFFFFFF0); }},
      {"TextOffsetPastTheEnd",
       [&](std::string& b) { PutU32(b, originals + 12, static_cast<uint32_t>(b.size())); }},
      {"TextWithoutItsZero", [&](std::string& b) { PutU32(b, originals + 8, first_length - 1); }},
      {"TablesCutOff", [](std::string& b) { b.resize(40); }},
  };
  TempDir dir;
  for (const auto& row : rows) {
    std::string bytes = good;
    row.damage(bytes);
    const std::string path = dir.Write(row.name, bytes);
    EXPECT_FALSE(MessageCatalogue::Load(path)) << row.name;
  }
  EXPECT_FALSE(MessageCatalogue::Load(dir.File("missing.mo")));
  EXPECT_TRUE(MessageCatalogue::Load(dir.Write("intact.mo", good)));
}

TEST(MessageCatalogue, EnvironmentChoosesTheFirstFolderHoldingACatalogue) {
  TempDir dir;
  const std::string build_folder = std::string(QUILLO_BINARY_DIR) + "/locale";
  const Environment english = {{"LANG", "en_US.UTF-8"}};
  const Environment japanese = {{"LANG", "ja_JP.UTF-8"}};
  EXPECT_TRUE(CatalogueForEnvironment({dir.File("none"), build_folder}, LookupIn(english)));
  EXPECT_FALSE(CatalogueForEnvironment({build_folder}, LookupIn(japanese)));
  EXPECT_FALSE(CatalogueForEnvironment({dir.File("none")}, LookupIn(english)));
  EXPECT_EQ(CatalogueFolders("/opt/q/bin/quillomark").front(), "/opt/q/bin/locale");
}

TEST(Translate, UsesTheCatalogueInUseForWholeTextsAndPatterns) {
  const std::optional<MessageCatalogue> catalogue = MessageCatalogue::Load(kBuiltCatalogue);
  ASSERT_TRUE(catalogue);
  EXPECT_EQ(Translate(kAbortedText), "中断されました。");
  EXPECT_EQ(Format(kFileOpenErrorPattern, {"/x/a.jpg", "why"}),
            "ファイル \"/x/a.jpg\" は開けません。why");
  {
    const ScopedMessageCatalogue english(*catalogue);
    EXPECT_EQ(Translate(kAbortedText), "Stopped.");
    EXPECT_EQ(Translate("no text of the program"), "no text of the program");
    EXPECT_EQ(Format(kFileOpenErrorPattern, {"/x/a.jpg", "why"}),
              "Cannot open the file \"/x/a.jpg\". why");
  }
  EXPECT_EQ(Translate(kAbortedText), "中断されました。");
}

TEST(EnglishCatalogue, HoldsATranslationOfEveryTextOfTheSources) {
  TempDir dir;
  const auto [stat_status, statistics] =
      RunCommand("msgfmt --check --statistics -o /dev/null " + kPoFile);
  EXPECT_EQ(stat_status, 0) << statistics;
  EXPECT_NE(statistics.find("translated message"), std::string::npos) << statistics;
  EXPECT_EQ(statistics.find("untranslated"), std::string::npos) << statistics;
  EXPECT_EQ(statistics.find("fuzzy"), std::string::npos) << statistics;

  const std::string sources = SourceFileList(dir);
  const std::string marked = dir.File("marked.pot");
  const std::string xgettext = "xgettext --from-code=UTF-8 --language=C++ --files-from=" + sources;
  const auto [marked_status, marked_output] = RunCommand(xgettext + " --keyword=N_ -o " + marked);
  ASSERT_EQ(marked_status, 0) << marked_output;
  const auto [cmp_status, cmp_output] = RunCommand("msgcmp " + kPoFile + " " + marked);
  EXPECT_EQ(cmp_status, 0) << cmp_output;

  // Every Japanese literal of the sources is marked, save an edit box's starting value.
  const std::string all = dir.File("all.pot");
  const auto [all_status, all_output] = RunCommand(xgettext + " --extract-all -o " + all);
  ASSERT_EQ(all_status, 0) << all_output;
  const std::map<std::string, std::string> marked_texts = PoEntries(marked);
  for (const auto& [text, unused] : PoEntries(all)) {
    const bool japanese = std::any_of(text.begin(), text.end(), [](char c) { return c & 0x80; });
    if (!japanese || text == "１") continue;
    EXPECT_TRUE(marked_texts.contains(text)) << "not marked for translation: " << text;
  }
}

}  // namespace
}  // namespace quillo
