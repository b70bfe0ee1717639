#include "platform/integer_text.h"

#include <gtest/gtest.h>

#include <optional>

namespace quillo {
namespace {

struct IntegerCase {
  const char* text;
  std::optional<int32_t> value;
};

TEST(IntegerText, ParsesOnlyWhatTheRuleAllows) {
  const IntegerCase cases[] = {
      {"0", 0},
      {"42", 42},
      {"+7", 7},
      {"-2", -2},
      {"  -2", -2},
      {"$10", 16},
      {"x10", 16},
      {"X10", 16},
      {"0x10", 16},
      {"0X1f", 31},
      {"-$10", -16},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"$FFFFFFFF", -1},
      {"0x80000000", INT32_MIN},
      {"", std::nullopt},
      {" ", std::nullopt},
      {"1 ", std::nullopt},
      {"abc", std::nullopt},
      {"\xEF\xBC\x91", std::nullopt},  // full-width one
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"$100000000", std::nullopt},
      {"$", std::nullopt},
      {"0x", std::nullopt},
      {"-", std::nullopt},
      {"1.5", std::nullopt},
      {"\t1", std::nullopt},
      {"+-1", std::nullopt},
  };
  for (const IntegerCase& c : cases) {
    EXPECT_EQ(ParseInteger(c.text), c.value) << '"' << c.text << '"';
  }
}

TEST(IntegerText, DefaultAndDecimalWriting) {
  EXPECT_EQ(StrToIntDef("abc", 1), 1);
  EXPECT_EQ(StrToIntDef("-5", 1), -5);
  EXPECT_EQ(IntToStr(-12), "-12");
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(INT32_MIN), "-2147483648");
}

}  // namespace
}  // namespace quillo
