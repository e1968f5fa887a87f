#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>

namespace vendrit {
namespace {

// Narrow literals are compiled to Shift_JIS, the bytes of every file and message.
TEST(Text, LiteralsAreShiftJis) {
  EXPECT_EQ(std::string("終了～ｷｬ"), "\x8f\x49\x97\xb9\x81\x60\xb7\xac");
}

// A second byte of a double-byte character may be 'A' to 'Z' (ア is 0x83
// 0x41) or a backslash (表 is 0x95 0x5C, ソ is 0x83 0x5C): it is part of its
// character, never a letter to lower-case or a separator.
TEST(Text, ShiftJisLettersSeparatorsAndBytes) {
  // The text lower-cased, the offset of its last separator (-1: none), the
  // number of separators, and whether it ends in ".idx", whatever the case.
  struct Case { const char *text, *lowered; long last; int count; bool idx; } cases[] = {
      {"News\x83" "A_Z[]", "news\x83" "A_z[]", -1, 0, false},
      {"log\\\x95\x5c\\X.IDX", "log\\\x95\x5c\\x.idx", 6, 2, true},
      {"\x83\x5c\x83\x5c", "\x83\x5c\x83\x5c", -1, 0, false},
      {"A\\\x81", "a\\\x81", 1, 1, false},          // a lead byte at the end stands alone
      {"\x81\\B.idx", "\x81\\b.idx", -1, 0, true},  // "\\" after 0x81 is a trail byte...
      {"\x81\x1f\\C.idx.bak", "\x81\x1f\\c.idx.bak", 2, 1, false},  // ...0x1F is not
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    char text[32];
    copy_text(text, sizeof text, c.text);
    lower_sjis(text);
    EXPECT_STREQ(text, c.lowered);
    EXPECT_EQ(last_separator(c.text), c.last);
    EXPECT_EQ(count_separators(c.text), c.count);
    EXPECT_EQ(ends_with_nocase(c.text, ".idx"), c.idx);
  }
  const char hay[] = "ab\0cdcde";  // bytes are found past a NUL, up to the very end
  EXPECT_EQ(find_bytes(hay, sizeof hay - 1, "cde", 3), 5);
  EXPECT_EQ(find_bytes(hay, sizeof hay - 1, "b\0c", 3), 1);
  EXPECT_EQ(find_bytes(hay, 4, "cde", 3), -1);
}

}  // namespace
}  // namespace vendrit
