#include "jobs/shell_words.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/errors.h"
#include "support/program_output.h"

namespace quillo {
namespace {

// The words sh itself makes of the text.
std::vector<std::string> ShellSplit(const std::string& text) {
  const testing::ProgramResult result = testing::RunProgram(
      {"sh", "-c", "eval \"set -- $1\"; for a in \"$@\"; do printf '%s\\0' \"$a\"; done", "sh",
       text});
  EXPECT_EQ(result.status, 0) << text;
  std::vector<std::string> words;
  size_t start = 0;
  for (size_t end; (end = result.out.find('\0', start)) != std::string::npos; start = end + 1)
    words.push_back(result.out.substr(start, end - start));
  return words;
}

TEST(SplitShellWords, SplitsAsShDoes) {
  const char* const texts[] = {
      "-o",
      "--exposure-weight=1 -o",
      "  --hard-mask \t -o  ",
      "'a b' c",
      "\"a b\" 'c d'",
      "a\\ b",
      "\"x\\\"y\"",
      "'it'\\''s'",
      "a\"b\"c'd'",
      "\"\" x",
      "'' x",
      "\"\\a\\b\"",
      "\"a\\\\b\"",
      "'a\\b'",
      "\"line\\\nbreak\"",
      "x\\\ny",
      "--gray-projector=l-star -o",
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    EXPECT_EQ(SplitShellWords(text), ShellSplit(text));
  }
}

// sh would end a command at a line break; in an option text it only separates two words.
TEST(SplitShellWords, ExpandsNothingAndTakesLineBreaksAsBlanks) {
  struct Case {
    const char* text;
    std::vector<std::string> words;
  };
  const Case cases[] = {
      {"$HOME -o", {"$HOME", "-o"}},     {"\"$HOME\"", {"$HOME"}},
      {"`id` $(id)", {"`id`", "$(id)"}}, {"*.jpg ~ ?", {"*.jpg", "~", "?"}},
      {"a;b #c", {"a;b", "#c"}},         {"--a\n-o", {"--a", "-o"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SplitShellWords(c.text), c.words);
  }
}

TEST(SplitShellWords, UnclosedQuoteIsAnError) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"'-o", "the option text has an unclosed single quote: '-o"},
      {"-o \"x", "the option text has an unclosed double quote: -o \"x"},
      {"\"x\\\"", "the option text has an unclosed double quote: \"x\\\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      SplitShellWords(c.text);
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

}  // namespace
}  // namespace quillo
