#include "platform/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

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
}

// The search finds the first occurrence, NUL bytes included, in short and
// long texts: texts of few letters, so that near misses abound, and needles
// taken from them, of every length up to past the 255 that a shift can hold.
TEST(TextTest, FindBytesFindsTheFirstOccurrence) {
  std::string hay;
  uint32_t seed = 7;
  for (int i = 0; i < 3000; ++i) {
    seed = seed * 1103515245 + 12345;
    hay += "ab\0\x81"[(seed >> 16) % 4];
  }
  for (size_t size : {size_t{40}, hay.size()}) {
    const std::string_view text(hay.data(), size);
    for (size_t len : {1, 3, 4, 9, 30, 256, 300}) {
      const size_t last = hay.size() - len;  // a needle that ends the long text
      for (size_t from : {size_t{0}, size_t{17}, std::min(last, size - std::min(size, len / 2)), last}) {
        const std::string needle = hay.substr(from, len) + (from == 17 ? "b" : "");
        SCOPED_TRACE(testing::Message() << size << " " << len << " " << from);
        const size_t want = text.find(needle);
        EXPECT_EQ(find_bytes(text.data(), size, needle.data(), needle.size()),
                  want == std::string_view::npos ? -1 : static_cast<long long>(want));
      }
    }
  }
}

}  // namespace
}  // namespace vendrit
