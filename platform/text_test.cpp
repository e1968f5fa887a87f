#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace vendrit {
namespace {

// Narrow literals are compiled to Shift_JIS, the bytes of every file and message.
TEST(Text, LiteralsAreShiftJis) {
  EXPECT_EQ(std::string("終了～ｷｬ"), "\x8f\x49\x97\xb9\x81\x60\xb7\xac");
}

// A second byte of a double-byte character may be 'A' to 'Z' (ア is 0x83
// 0x41) or a backslash (表 is 0x95 0x5C): it is part of its character, never
// a letter to lower-case or a separator.  A lead byte at the end stands alone.
TEST(Text, ShiftJisLettersSeparatorsAndBytes) {
  // The text lower-cased, the offset of its last separator (-1: none), the
  // number of separators, and whether it ends in ".idx", whatever the case.
  struct Case { const char *text, *lowered; long last; int count; bool idx; } cases[] = {
      {.text = "log\\\x95\x5c\\X.IDX", .lowered = "log\\\x95\x5c\\x.idx", .last = 6, .count = 2, .idx = true},
      {.text = "\x83" "A\\\x81", .lowered = "\x83" "A\\\x81", .last = 2, .count = 1, .idx = false},
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
}

// The search finds the first occurrence, NUL bytes included: a text of few letters, so that
// near misses abound, and needles taken from it, of lengths up to past the 255 that a shift
// can hold, at its start, inside it (one byte changed) and at its end.
TEST(TextTest, FindBytesFindsTheFirstOccurrence) {
  std::string hay;
  for (uint32_t seed = 7; hay.size() < 3000; seed = seed * 1103515245 + 12345) hay += "ab\0\x81"[(seed >> 16) % 4];
  for (size_t len : {1, 4, 30, 300}) {
    for (size_t from : {size_t{0}, size_t{17}, hay.size() - len}) {
      const std::string needle = hay.substr(from, len) + (from == 17 ? "b" : "");
      SCOPED_TRACE(needle.size());
      const long long want = std::string_view(hay).find(needle);
      EXPECT_EQ(find_bytes(hay.data(), hay.size(), needle.data(), needle.size()), want);
    }
  }
}

}  // namespace
}  // namespace vendrit
