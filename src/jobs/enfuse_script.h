// A POSIX shell script that runs enfuse once per bracket from the folder it lies in, the twin of
// the batch file for the shell.
#pragma once

#include <string>
#include <vector>

#include "jobs/enfuse_bracket.h"

namespace quillo {

// The script's text, LF line ends: it stops at the first failing command, changes to its own
// folder, makes enfused/ and runs one enfuse line per bracket, the option text as typed before
// the output path. Inputs within folder are named relative to it, others by their full paths;
// every path is quoted for sh.
std::string EnfuseScriptText(const std::string& folder, const std::vector<TEnfuseBracket>& brackets,
                             const std::string& option);

// Writes the script atomically, runnable by whoever may read it.
void WriteEnfuseScript(const std::string& path, const std::string& text);

}  // namespace quillo
