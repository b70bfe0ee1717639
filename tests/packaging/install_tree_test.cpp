// `cmake --install` of the build into a scratch DESTDIR: every file in place, accepted by the
// desktop's own checkers, and the manual page and the completion in step with the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "packaging/installed_tree.h"
#include "packaging/run_program.h"
#include "support/temp_dir.h"

namespace quillo::testing {
namespace {

class InstallTree : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = std::make_unique<TempDir>();
    install_ =
        RunProgram({.args = {QUILLO_CMAKE, "--install", QUILLO_BINARY_DIR, "--prefix", "/usr"},
                    .environment = {"DESTDIR=" + root_->Str()}});
  }
  static void TearDownTestSuite() { root_.reset(); }

  void SetUp() override { ASSERT_EQ(install_.status, 0) << install_.out << install_.err; }

  static std::string Usr(const std::string& relative) { return root_->File("usr/" + relative); }
  static std::string DesktopEntry() { return Usr("share/applications/" QUILLO_APP_ID ".desktop"); }
  static std::string ManualPage() { return Usr("share/man/man1/quillomark-cli.1"); }

  // The manual page as `man` shows it, wide enough that no option is broken across lines.
  static std::string RenderedManualPage() {
    return RunProgram({.args = {"man", "-l", ManualPage()},
                       .environment = {"MANWIDTH=200", "LC_ALL=C", "MANPAGER=cat", "PAGER=cat"}})
        .out;
  }

  // The installed shell front end's help for a command ("" for the program's own).
  static std::string Help(const std::string& command) {
    std::vector<std::string> args = {Usr("bin/quillomark-cli")};
    if (!command.empty()) args.push_back(command);
    args.push_back("--help");
    return RunProgram({.args = args}).out;
  }

  static std::unique_ptr<TempDir> root_;
  static ProgramResult install_;
};

std::unique_ptr<TempDir> InstallTree::root_;
ProgramResult InstallTree::install_;

// The command names the program's help lists.
std::vector<std::string> HelpCommands(const std::string& help) {
  std::vector<std::string> commands;
  std::istringstream lines(help.substr(help.find("\ncommands:\n") + 11));
  for (std::string line; std::getline(lines, line) && !line.empty();) {
    std::istringstream words(line);
    std::string name;
    words >> name;
    commands.push_back(name);
  }
  return commands;
}

// The options a command's help lists.
std::vector<std::string> HelpOptions(const std::string& help) {
  std::vector<std::string> options;
  std::istringstream lines(help.substr(help.find("\noptions:\n") + 10));
  for (std::string line; std::getline(lines, line) && line.rfind("  --", 0) == 0;) {
    options.push_back(line.substr(2, line.find(' ', 2) - 2));
  }
  return options;
}

// The lines under a subsection heading of a rendered manual page, up to the next heading.
std::string ManualPart(const std::string& page, const std::string& heading) {
  std::istringstream lines(page);
  std::string part;
  bool inside = false;
  for (std::string line; std::getline(lines, line);) {
    const size_t indent = line.find_first_not_of(' ');
    if (indent == std::string::npos) continue;
    if (inside && indent < 7) break;
    if (inside) part += line + "\n";
    inside = inside || line == "   " + heading;
  }
  return part;
}

// The keys of a desktop entry's main group.
std::map<std::string, std::string> DesktopKeys(const std::string& path) {
  std::map<std::string, std::string> keys;
  std::ifstream file(path);
  for (std::string line; std::getline(file, line);) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos) keys[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return keys;
}

TEST_F(InstallTree, EveryFileInPlaceOfItsKindAndNothingElse) {
  std::vector<std::string> expected;
  for (const InstalledFile& file : InstalledFiles()) {
    SCOPED_TRACE(file.path);
    expected.push_back("usr/" + file.path);
    EXPECT_NE(FileKind(Usr(file.path)).find(file.kind), std::string::npos)
        << FileKind(Usr(file.path));
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(FilesUnder(root_->Str()), expected);
}

TEST_F(InstallTree, DesktopCheckersAcceptTheInstalledFiles) {
  enum Output { kNothing, kNoIssues, kPage };
  const struct {
    const char* name;
    std::vector<std::string> args;
    std::vector<std::string> environment;
    Output output;
  } cases[] = {
      {"DesktopEntry", {"desktop-file-validate", DesktopEntry()}, {}, kNothing},
      {"Metadata",
       {"appstreamcli", "validate", "--no-net", "--pedantic",
        Usr("share/metainfo/" QUILLO_APP_ID ".metainfo.xml")},
       {},
       kNoIssues},
      // The metadata's launchable is the installed desktop entry.
      {"MetadataBesideItsDesktopEntry",
       {"appstreamcli", "validate-tree", "--no-net", "--pedantic", root_->Str()},
       {},
       kNoIssues},
      {"ManualPage", {"man", "--warnings", "-l", ManualPage()}, {"MANWIDTH=80"}, kPage},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ProgramResult result = RunProgram({.args = c.args, .environment = c.environment});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    switch (c.output) {
      case kNothing:
        EXPECT_EQ(result.out, "");
        break;
      case kNoIssues:
        // An issue is a line such as "W: id:3: tag", at any level down to pedantic.
        EXPECT_NE(result.out.find("Validation was successful"), std::string::npos);
        EXPECT_EQ(result.out.find(": "), std::string::npos) << result.out;
        break;
      case kPage:
        EXPECT_NE(result.out.find("QUILLOMARK-CLI(1)"), std::string::npos);
        break;
    }
  }
}

TEST_F(InstallTree, DesktopEntryStartsTheInstalledWindowWithTheInstalledIcon) {
  std::map<std::string, std::string> keys = DesktopKeys(DesktopEntry());
  EXPECT_TRUE(std::filesystem::exists(Usr("bin/" + keys["Exec"])));
  EXPECT_EQ(keys["Terminal"], "false");
  EXPECT_EQ(keys["Categories"], "Graphics;Photography;");
  EXPECT_FALSE(keys["Name[ja]"].empty());
  for (const char* icon : {"scalable/apps/%.svg", "48x48/apps/%.png", "256x256/apps/%.png"}) {
    std::string path = icon;
    path.replace(path.find('%'), 1, keys["Icon"]);
    EXPECT_TRUE(std::filesystem::exists(Usr("share/icons/hicolor/" + path))) << path;
  }
}

TEST_F(InstallTree, ManualPageDescribesEveryCommandAndOptionOfTheProgram) {
  const std::string page = RenderedManualPage();
  const std::vector<std::string> commands = HelpCommands(Help(""));
  ASSERT_FALSE(commands.empty());
  for (const std::string& command : commands) {
    SCOPED_TRACE(command);
    const std::string part = ManualPart(page, command);
    ASSERT_FALSE(part.empty());
    for (const std::string& option : HelpOptions(Help(command))) {
      EXPECT_NE(part.find(option), std::string::npos) << option;
    }
  }
}

TEST_F(InstallTree, CompletionOffersCommandsOptionsAndTheirValues) {
  const TempDir work;
  work.Mkdir("shots");
  work.Write("a.jpg");
  const struct {
    const char* name;
    std::vector<std::string> words;  // the last one is being typed
    std::vector<std::string> offered;
  } cases[] = {
      {"Commands",
       {"quillomark-cli", ""},
       {"--help", "convert", "enfuse", "list", "rename", "rotate"}},
      {"CommandBeingTyped", {"quillomark-cli", "ren"}, {"rename"}},
      {"OptionsOfTheCommand",
       {"quillomark-cli", "rotate", "--"},
       {"--auto", "--dest", "--help", "--jobs", "--list", "--lossless", "--source", "--subfolders",
        "--turn"}},
      {"OptionBeingTyped", {"quillomark-cli", "convert", "--t"}, {"--to", "--type"}},
      {"ChoicesOfAnOption", {"quillomark-cli", "rotate", "--turn", ""}, {"180", "left", "right"}},
      {"ChoiceAfterAnEqualsSign", {"quillomark-cli", "convert", "--to", "=", "t"}, {"tif"}},
      {"FoldersForAFolder", {"quillomark-cli", "rename", "--dest", ""}, {"shots"}},
      {"FilesForAList", {"quillomark-cli", "enfuse", "--list", ""}, {"-", "a.jpg", "shots"}},
      {"NothingForFreeText", {"quillomark-cli", "rename", "--prefix", ""}, {}},
      {"NothingForAnUnknownCommand", {"quillomark-cli", "turn", "--"}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string words;
    for (const std::string& word : c.words) words += " '" + word + "'";
    // Asks the completion that the installed script registers for the command.
    const std::string script =
        "source \"$1\"\n"
        "function=$(complete -p quillomark-cli | sed -n 's/.*-F \\([^ ]*\\) .*/\\1/p')\n"
        "COMP_WORDS=(" +
        words +
        ")\n"
        "COMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
        "\"$function\"\n"
        "printf '%s\\n' \"${COMPREPLY[@]}\" | sort\n";
    const ProgramResult result =
        RunProgram({.args = {"bash", "-c", script, "bash",
                             Usr("share/bash-completion/completions/quillomark-cli")},
                    .environment = {"PATH=" + Usr("bin") + ":" + std::getenv("PATH"), "LC_ALL=C"},
                    .folder = work.Str()});
    EXPECT_EQ(result.err, "");
    std::vector<std::string> offered;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty()) offered.push_back(line);
    }
    EXPECT_EQ(offered, c.offered);
  }
}

}  // namespace
}  // namespace quillo::testing
