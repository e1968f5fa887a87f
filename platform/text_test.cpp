#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>

namespace vendrit {
namespace {

// Narrow literals are compiled to Shift_JIS; these bytes are what every file,
// line and message of the program carries.
TEST(Text, LiteralsAreShiftJis) {
  EXPECT_EQ(std::string("終了しました"), "\x8f\x49\x97\xb9\x82\xb5\x82\xdc\x82\xb5\x82\xbd");
  EXPECT_EQ(std::string("あぼ～んする"), "\x82\xa0\x82\xda\x81\x60\x82\xf1\x82\xb7\x82\xe9");
  EXPECT_EQ(std::string("ｷｬﾝｾﾙ"), "\xb7\xac\xdd\xbe\xd9");
}

// A second byte of a double-byte character may be 'A' to 'Z' (ア is 0x83
// 0x41) or a backslash (表 is 0x95 0x5C, ソ is 0x83 0x5C): it is part of its
// character, never a letter to lower-case or a separator.
TEST(Text, ShiftJisLettersAndSeparators) {
  struct Case {
    const char* text;
    const char* lowered;
    long last;  // offset of the last separator, -1 for none
    int count;
  } cases[] = {
      {"News\x83" "A_Z[]", "news\x83" "A_z[]", -1, 0},
      {"log\\\x95\x5c\\X.IDX", "log\\\x95\x5c\\x.idx", 6, 2},
      {"\x83\x5c\x83\x5c", "\x83\x5c\x83\x5c", -1, 0},
      {"A\\\x81", "a\\\x81", 1, 1},      // a lead byte at the end stands alone
      {"\x81\\B", "\x81\\b", -1, 0},      // "\\" after 0x81 is a trail byte...
      {"\x81\x1f\\C", "\x81\x1f\\c", 2, 1},  // ...0x1F is not
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    char text[32];
    copy_text(text, sizeof text, c.text);
    lower_sjis(text);
    EXPECT_STREQ(text, c.lowered);
    EXPECT_EQ(last_separator(c.text), c.last);
    EXPECT_EQ(count_separators(c.text), c.count);
    EXPECT_EQ(find_separator(c.text) != nullptr, c.count > 0);
  }
}

TEST(Text, FindsBytesPastNul) {
  const char hay[] = "ab\0cdcde";
  EXPECT_EQ(find_bytes(hay, sizeof hay - 1, "cde", 3), 5);
  EXPECT_EQ(find_bytes(hay, sizeof hay - 1, "b\0c", 3), 1);
  EXPECT_EQ(find_bytes(hay, 4, "cde", 3), -1);
  EXPECT_TRUE(ends_with_nocase("FAVORITE.IDX", ".idx"));
  EXPECT_FALSE(ends_with_nocase("x.idx.bak", ".idx"));
}

}  // namespace
}  // namespace vendrit
