// The enfuse batch-file writer: a batch file in the source folder that creates "enfused" and runs
// enfuse once for every complete bracket of consecutive images of the enfuse tab's list.
#pragma once

#include <string>
#include <vector>

namespace quillo {

class FormControls;

inline constexpr char kUnsafeBatchNamePattern[] =
    "ファイル名 \"%s\" は引用符か改行を含むため、バッチファイルに書けません";

// The command line for one bracket of file names, without its line end: the option text, the
// output path enfused/ + the base names joined by "-" + the first file's extension, then the
// inputs. A name the command interpreter would split or act on is quoted, its "%" doubled. A
// name holding a double quote, a carriage return or a line feed could end the quoting or the
// command whatever is done to it: it raises an error naming it instead.
std::string BuildEnfuseLine(const std::vector<std::string>& bracket, const std::string& option);

// The batch file's text: the mkdir line, then one line per bracket of file names, CR LF after each.
std::string EnfuseBatchText(const std::vector<std::vector<std::string>>& brackets,
                            const std::string& option);

// Writes the whole batch file in one piece, or nothing when a name cannot stand in it; does
// nothing at all when the source folder or the list fails its checks.
void WriteEnfuseBatchFile(FormControls& form);

}  // namespace quillo
