// Where the settings file lives: beside the executable when it is there or may be made there,
// else in the user's configuration folder, where a second run finds what the first one saved.
#include "app/settings_location.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/ini_file.h"
#include "support/permission_checks.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"
#include "ui/headless/headless_window.h"

namespace quillo {
namespace {

using testing::ScopedEnvironment;
using testing::TempDir;

// Every settings file under the folder, relative to it.
std::vector<std::string> SettingsFiles(const std::filesystem::path& root) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.path().extension() == ".ini" && !entry.is_symlink()) {
      found.push_back(std::filesystem::relative(entry.path(), root).string());
    }
  }
  return found;
}

enum ConfigHome { kConfigSet, kConfigUnset, kConfigRelative };
enum Beside { kNothing, kFile, kLink };

TEST(SettingsLocation, FileBesideWhenItCanBeThereElseTheConfigurationFolderAcrossTwoRuns) {
  const struct {
    const char* name;
    mode_t folder_mode;  // of the executable's folder
    Beside beside;
    ConfigHome config_home;
    const char* saved_at;  // relative to the test's folder
  } cases[] = {
      {"WritableFolderTakesTheFile", 0755, kNothing, kConfigSet, "bin/Quillomark.ini"},
      {"FileInReadOnlyFolderStaysThere", 0555, kFile, kConfigSet, "bin/Quillomark.ini"},
      {"LinkInReadOnlyFolderLeadsToItsFile", 0555, kLink, kConfigSet, "elsewhere/settings.ini"},
      {"ReadOnlyFolderSendsItToTheConfigurationFolder", 0555, kNothing, kConfigSet,
       "config/quillomark/Quillomark.ini"},
      {"WithoutConfigHomeTheHomeFolderDecides", 0555, kNothing, kConfigUnset,
       "home/.config/quillomark/Quillomark.ini"},
      {"RelativeConfigHomeIsIgnored", 0555, kNothing, kConfigRelative,
       "home/.config/quillomark/Quillomark.ini"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TempDir dir;
    const std::string bin = dir.Mkdir("bin");
    dir.Mkdir("elsewhere");
    if (c.beside == kFile) dir.Write("bin/Quillomark.ini", "[data]\nPrefix=Old_\n");
    if (c.beside == kLink) {
      ASSERT_EQ(::symlink("../elsewhere/settings.ini", dir.File("bin/Quillomark.ini").c_str()), 0);
    }
    ::chmod(bin.c_str(), c.folder_mode);
    const ScopedEnvironment home("HOME", dir.File("home"));
    const ScopedEnvironment config(
        "XDG_CONFIG_HOME", c.config_home == kConfigSet        ? std::optional(dir.File("config"))
                           : c.config_home == kConfigRelative ? std::optional<std::string>("config")
                                                              : std::nullopt);
    const testing::ScopedPermissionChecks checks;
    {
      HeadlessApp first(bin + "/Quillomark.exe");
      first.Show();
      first.Type("Edit_Prefix", "Kept_");
      first.Close();
      EXPECT_TRUE(first.Boxes().empty());
    }
    EXPECT_EQ(SettingsFiles(dir.Path()), std::vector<std::string>{c.saved_at});
    EXPECT_EQ(TIniFile(dir.File(c.saved_at)).ReadString("data", "Prefix", ""), "Kept_");
    if (std::string(c.saved_at).find("/quillomark/") != std::string::npos) {
      struct stat folder {};
      ASSERT_EQ(::stat(std::filesystem::path(dir.File(c.saved_at)).parent_path().c_str(), &folder),
                0);
      EXPECT_EQ(folder.st_mode & 07777, 0700u);
    }

    HeadlessApp second(bin + "/Quillomark.exe");
    second.Show();
    EXPECT_EQ(second.Text("Edit_Prefix"), "Kept_");
  }
}

TEST(SettingsLocation, ConfigurationFolderFollowsTheEnvironmentAndTheExecutablesName) {
  const TempDir dir;
  const std::string bin = dir.Mkdir("bin");
  ::chmod(bin.c_str(), 0555);
  const passwd* user = ::getpwuid(::getuid());
  ASSERT_NE(user, nullptr);
  const struct {
    const char* name;
    std::optional<std::string> config_home;
    std::optional<std::string> home;
    const char* executable;
    std::string expected;
  } cases[] = {
      {"ConfigHome", dir.File("config"), dir.File("home"), "PhotoTool.exe",
       dir.File("config/quillomark/PhotoTool.ini")},
      {"HomeWithoutConfigHome", std::nullopt, dir.File("home"), "quillomark",
       dir.File("home/.config/quillomark/quillomark.ini")},
      {"EmptyConfigHome", "", dir.File("home"), "quillomark",
       dir.File("home/.config/quillomark/quillomark.ini")},
      {"NeitherTheUsersEntryDecides", std::nullopt, std::nullopt, "quillomark",
       std::string(user->pw_dir) + "/.config/quillomark/quillomark.ini"},
      {"RelativeHomeIsIgnoredToo", "config", "home", "quillomark",
       std::string(user->pw_dir) + "/.config/quillomark/quillomark.ini"},
  };
  const testing::ScopedPermissionChecks checks;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ScopedEnvironment config("XDG_CONFIG_HOME", c.config_home);
    const ScopedEnvironment home("HOME", c.home);
    EXPECT_EQ(SettingsFilePath(bin + "/" + c.executable), c.expected);
  }
}

}  // namespace
}  // namespace quillo
