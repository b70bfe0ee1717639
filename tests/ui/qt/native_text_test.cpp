// Byte strings through Qt's text and back, valid UTF-8 or not.
#include "ui/qt/native_text.h"

#include <gtest/gtest.h>

#include <string>

namespace quillo {
namespace {

TEST(NativeTextTest, EveryByteStringComesBackUnchanged) {
  const std::string cases[] = {
      "",
      "plain/ascii.jpg",
      "写真/夕焼け.jpg",
      "emoji \xF0\x9F\x93\xB7.jpg",
      "\x95\x5C.jpg",            // Shift-JIS 表
      "\xFF\xFE lone bytes",     // never valid
      "cut \xE5\x86",            // a three-byte form missing its last byte
      "overlong \xC0\xAF",       // "/" written in two bytes
      "surrogate \xED\xA0\x80",  // an encoded surrogate
      "beyond \xF4\x90\x80\x80",
      std::string("nul\0inside", 10),
  };
  for (const std::string& bytes : cases) {
    SCOPED_TRACE(bytes);
    EXPECT_EQ(FromQString(ToQString(bytes)), bytes);
  }
}

TEST(NativeTextTest, ValidTextReadsAsUnicodeAndForeignBytesStandOut) {
  EXPECT_EQ(ToQString("写真/夕焼け.jpg"), QString::fromUtf8("写真/夕焼け.jpg"));
  EXPECT_EQ(FromQString(QString::fromUtf8("emoji 📷")), "emoji \xF0\x9F\x93\xB7");

  const QString foreign = ToQString("a\x95\x5C");
  ASSERT_EQ(foreign.size(), 3);
  EXPECT_EQ(foreign[1].unicode(), 0xDC95);
  EXPECT_EQ(foreign[2], QChar('\\'));
  // A lone surrogate that stands for no byte becomes the replacement character.
  EXPECT_EQ(FromQString(QString(QChar(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace quillo
