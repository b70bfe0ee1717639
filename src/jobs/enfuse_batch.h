// The enfuse batch-file writer: a batch file in the source folder that creates "enfused" and runs
// enfuse once for every complete bracket of consecutive images of the enfuse tab's list.
#pragma once

#include <string>
#include <vector>

namespace quillo {

class FormControls;

// The command line for one bracket of file names, without its line end: the option text, the
// output path enfused/ + the base names joined by "-" + the first file's extension, then the
// inputs. A name the command interpreter would split or act on is quoted, its "%" doubled.
std::string BuildEnfuseLine(const std::vector<std::string>& bracket, const std::string& option);

// Writes the whole batch file in one piece; does nothing at all when the source folder or the
// list fails its checks.
void WriteEnfuseBatchFile(FormControls& form);

}  // namespace quillo
