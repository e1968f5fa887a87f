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

TEST(Text, FormattingIsCutNeverOverrun) {
  char buf[8];
  memset(buf, 'x', sizeof buf);
  EXPECT_FALSE(format_text(buf, 5, "%s", "abcdefgh"));
  EXPECT_STREQ(buf, "abcd");
  EXPECT_EQ(buf[5], 'x');
  EXPECT_TRUE(format_text(buf, sizeof buf, "%d", 42));
  EXPECT_STREQ(buf, "42");

  char small[4];
  copy_text(small, sizeof small, "longer");
  EXPECT_STREQ(small, "lon");
}

TEST(Text, LowerCasesOnlyAsciiLetters) {
  // 0x83 0x41 is a double-byte character whose second byte is 'A'; only the
  // letters A to Z change, byte by byte, as the walks expect.
  char name[] = "News\x83" "A_Z[]";
  lower_ascii(name);
  EXPECT_STREQ(name, "news\x83" "a_z[]");
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
