// The Debian package that `make package` builds: its dependencies as dpkg-shlibdeps finds them,
// its files, and the programs it holds, run from a scratch root unpacked by `dpkg -x`.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>

#include "packaging/installed_tree.h"
#include "packaging/run_program.h"
#include "support/temp_dir.h"

namespace quillo::testing {
namespace {

constexpr char kDefaultSettings[] =
    "[data]\nPrefix=Img_\nSuffix=\nFirstNumber=1\nStep=1\nEnfuseBracket=3\n"
    "BatFileName=makeenfuse.bat\nEnfuseOption=-o\nTurnDirection=1\n";

class Package : public ::testing::Test {
 protected:
  // The package that $QUILLO_PACKAGE names, or else a package of the programs already built
  // (cpack only checks that the build is up to date).
  static void SetUpTestSuite() {
    work_ = std::make_unique<TempDir>();
    if (const char* given = std::getenv("QUILLO_PACKAGE")) {
      deb_ = given;
      pack_.status = std::filesystem::exists(deb_) ? 0 : 1;
      return;
    }
    deb_ = work_->File("quillomark.deb");
    pack_ = RunProgram({.args = {QUILLO_CPACK, "-G", "DEB", "-B", work_->Str(), "-D",
                                 "CPACK_DEBIAN_FILE_NAME=quillomark.deb"},
                        .folder = QUILLO_BINARY_DIR});
  }
  static void TearDownTestSuite() { work_.reset(); }

  void SetUp() override { ASSERT_EQ(pack_.status, 0) << deb_ << pack_.out << pack_.err; }

  static std::string Field(const std::string& name) {
    return RunProgram({.args = {"dpkg-deb", "--field", deb_, name}}).out;
  }

  // A fresh scratch root with the package's files in it.
  static std::string Unpack(const std::string& name) {
    const std::string root = work_->Mkdir(name);
    EXPECT_EQ(RunProgram({.args = {"dpkg", "-x", deb_, root}}).status, 0);
    return root;
  }

  static std::unique_ptr<TempDir> work_;
  static ProgramResult pack_;
  static std::string deb_;
};

std::unique_ptr<TempDir> Package::work_;
ProgramResult Package::pack_;
std::string Package::deb_;

// The shared libraries a program asks for by name.
std::vector<std::string> NeededLibraries(const std::string& program) {
  std::vector<std::string> needed;
  std::istringstream lines(RunProgram({.args = {"objdump", "-p", program}}).out);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string tag, name;
    if (words >> tag >> name && tag == "NEEDED") needed.push_back(name);
  }
  return needed;
}

// The installed packages that hold the libraries, as dpkg knows them, by library name.
std::map<std::string, std::string> PackagesOfLibraries(const std::vector<std::string>& sonames) {
  std::vector<std::string> args = {"dpkg-query", "--search"};
  for (const std::string& soname : sonames) {
    if (!soname.empty()) args.push_back("*/" + soname);
  }
  std::map<std::string, std::string> packages;
  std::istringstream lines(RunProgram({.args = args}).out);
  // "libexiv2-27:amd64: /usr/lib/x86_64-linux-gnu/libexiv2.so.27"
  for (std::string line; std::getline(lines, line);) {
    const size_t path = line.find(": /");
    if (path == std::string::npos) continue;
    const std::string soname = std::filesystem::path(line.substr(path + 2)).filename().string();
    packages[soname] = line.substr(0, line.find_first_of(":,"));
  }
  return packages;
}

TEST_F(Package, DependsOnThePackagesOfTheLibrariesItsProgramsLink) {
  const std::string root = Unpack("libraries");
  std::vector<std::string> needed = NeededLibraries(root + "/usr/bin/quillomark");
  for (const std::string& library : NeededLibraries(root + "/usr/bin/quillomark-cli")) {
    needed.push_back(library);
  }
  const std::string depends = ", " + Field("Depends");
  const struct {
    const char* name;
    const char* soname_start;
  } cases[] = {
      {"Qt6Widgets", "libQt6Widgets.so."},
      {"Qt6Gui", "libQt6Gui.so."},
      {"Qt6Core", "libQt6Core.so."},
      {"LibJpegTurbo", "libjpeg.so."},
      {"TurboJpeg", "libturbojpeg.so."},
      {"Exiv2", "libexiv2.so."},
      {"Deflate", "libdeflate.so."},
      {"Png", "libpng16.so."},
      {"Zlib", "libz.so."},
  };
  // Each library the programs link, by the start of its name.
  std::vector<std::string> linked;
  for (const auto& c : cases) {
    const auto library = std::find_if(needed.begin(), needed.end(), [&](const std::string& name) {
      return name.rfind(c.soname_start, 0) == 0;
    });
    linked.push_back(library == needed.end() ? "" : *library);
  }
  const std::map<std::string, std::string> packages = PackagesOfLibraries(linked);
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].name);
    ASSERT_FALSE(linked[i].empty());
    ASSERT_TRUE(packages.contains(linked[i]));
    EXPECT_NE(depends.find(", " + packages.at(linked[i]) + " "), std::string::npos) << depends;
  }
}

TEST_F(Package, ControlFields) {
  const struct {
    const char* field;
    const char* holds;
    const char* lacks;
  } cases[] = {
      {"Package", "quillomark", ""},
      // The tests' TIFF library is none of the program's.
      {"Depends", "libqt6widgets6", "libtiff"},
      {"Suggests", "enfuse", ""},
      {"Section", "graphics", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    const std::string value = Field(c.field);
    EXPECT_NE(value.find(c.holds), std::string::npos) << value;
    if (*c.lacks != '\0') {
      EXPECT_EQ(value.find(c.lacks), std::string::npos) << value;
    }
  }
}

TEST_F(Package, HoldsTheInstalledFilesWithStrippedPrograms) {
  const std::string root = Unpack("files");
  std::vector<std::string> expected;
  for (const InstalledFile& file : InstalledFiles()) expected.push_back("usr/" + file.path);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(FilesUnder(root), expected);
  for (const char* program : {"quillomark", "quillomark-cli"}) {
    EXPECT_NE(FileKind(root + "/usr/bin/" + program).find(", stripped"), std::string::npos);
  }
}

TEST_F(Package, InstalledShellFrontEndRuns) {
  const std::string root = Unpack("shell");
  const ProgramResult help = RunProgram({.args = {root + "/usr/bin/quillomark-cli", "--help"}});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("quillomark-cli:", 0), 0u) << help.out;

  const std::string shots = work_->Mkdir("shots");
  work_->Write("shots/a.jpg");
  const ProgramResult list =
      RunProgram({.args = {root + "/usr/bin/quillomark-cli", "list", "--source", shots}});
  EXPECT_EQ(list.status, 0) << list.err;
  EXPECT_NE(list.out.find("a.jpg"), std::string::npos) << list.out;
}

TEST_F(Package, InstalledWindowOpensAndClosesOffscreenAndFindsItsSettingsAgain) {
  const struct {
    const char* name;
    mode_t programs_folder_mode;
    const char* settings;  // where the settings file goes, relative to the root
  } cases[] = {
      {"WritableProgramsFolder", 0755, "usr/bin/quillomark.ini"},
      {"ReadOnlyProgramsFolder", 0555, "config/quillomark/quillomark.ini"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string root = Unpack(c.name);
    ASSERT_EQ(::chmod((root + "/usr/bin").c_str(), c.programs_folder_mode), 0);
    // A session that ends sends SIGTERM; the window closes as its close box would.
    const ProgramRun run = {
        .args = {root + "/usr/bin/quillomark"},
        .environment = {"QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + root + "/config",
                        "HOME=" + root + "/home"},
        .obey_permissions = true,
        .terminate_when_ready = true};
    const std::string settings = root + "/" + c.settings;

    const ProgramResult first = RunProgram(run);
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(ReadFile(settings), kDefaultSettings);
    int settings_files = 0;
    for (const std::string& file : FilesUnder(root)) settings_files += file.ends_with(".ini");
    EXPECT_EQ(settings_files, 1);

    // The next run shows what it finds, and saves it back with the keys it lacks.
    std::ofstream(settings, std::ios::trunc) << "[data]\nPrefix=Back_\n";
    const ProgramResult second = RunProgram(run);
    EXPECT_EQ(second.status, 0) << second.err;
    std::string expected = kDefaultSettings;
    expected.replace(expected.find("Img_"), 4, "Back_");
    EXPECT_EQ(ReadFile(settings), expected);
  }
}

}  // namespace
}  // namespace quillo::testing
