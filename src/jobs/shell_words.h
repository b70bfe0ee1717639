// Words as the POSIX shell reads them: quoting a word so that sh passes it on unchanged, and
// splitting a typed option text into the arguments sh would make of it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillo {

inline constexpr char kUnclosedQuotePattern[] = "the option text has an unclosed %s quote: %s";

// The word in single quotes, each single quote in it written as '\''. Blanks, quotes, "$",
// back-quotes, globs, line breaks and bytes of any encoding reach the command unchanged.
std::string ShellQuote(std::string_view word);

// The words sh makes of the text: split at blanks, tabs and line breaks; single and double quotes
// and backslashes work as in sh; nothing is expanded ("$", back-quotes, globs, "~" and "#" stay
// as typed). Throws Exception (kUnclosedQuotePattern) when a quote is not closed.
std::vector<std::string> SplitShellWords(std::string_view text);

}  // namespace quillo
