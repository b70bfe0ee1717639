// Where the window keeps its settings file: beside the executable, as a portable copy always
// has, or in the user's configuration folder when the executable's folder cannot take it.
#pragma once

#include <string>

namespace quillo {

// The executable's path with the extension ".ini" when that file exists (a link counts) or its
// folder may be written; otherwise the file of the same name in "quillomark" under the user's
// configuration folder ($XDG_CONFIG_HOME when it is an absolute path, else ~/.config).
std::string SettingsFilePath(const std::string& executable_path);

// Makes the missing folders above the settings file, open to the user alone, so that the first
// save can create the file. A folder that cannot be made is left for the save to report.
void MakeSettingsFolder(const std::string& settings_path);

}  // namespace quillo
