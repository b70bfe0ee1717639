#include "app/settings_location.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/file_system.h"
#include "platform/path.h"

namespace quillo {
namespace {

constexpr char kProgramFolder[] = "quillomark";

bool IsAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

std::optional<std::string> HomeFolder() {
  const char* home = std::getenv("HOME");
  if (IsAbsolute(home)) return std::string(home);
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
      found != nullptr && IsAbsolute(found->pw_dir)) {
    return std::string(found->pw_dir);
  }
  return std::nullopt;
}

// The user's configuration folder by the XDG rules: a relative $XDG_CONFIG_HOME is ignored.
std::optional<std::string> ConfigFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (IsAbsolute(config)) return std::string(config);
  const std::optional<std::string> home = HomeFolder();
  if (!home) return std::nullopt;
  return *home + "/.config";
}

bool PathExists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

}  // namespace

std::string SettingsFilePath(const std::string& executable_path) {
  std::string beside = ChangeFileExt(executable_path, ".ini");
  if (PathExists(beside) || FolderOfPathWritable(beside)) return beside;
  const std::optional<std::string> config = ConfigFolder();
  // With no home folder to go to, the file beside the executable is still the best place.
  if (!config) return beside;
  return *config + "/" + kProgramFolder + "/" + ExtractFileName(beside);
}

void MakeSettingsFolder(const std::string& settings_path) {
  std::vector<std::filesystem::path> missing;
  for (std::filesystem::path folder = std::filesystem::path(settings_path).parent_path();
       !folder.empty() && !PathExists(folder.string()); folder = folder.parent_path()) {
    missing.push_back(folder);
    if (folder == folder.parent_path()) break;
  }
  for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
    if (::mkdir(folder->c_str(), 0700) != 0) return;
  }
}

}  // namespace quillo
