// The settings file as both programs read and write it, whatever the
// system's code page: the Windows semantics stored files rely on, and
// Shift_JIS bytes kept as they are.
#include "platform/ini_file.h"

#include "state/run_settings.h"
#include "tests/test_support.h"

namespace vendrit {
namespace {

class IniFileTest : public RootTest {};

TEST_F(IniFileTest, ReadsAsTheWindowsFunctionsDo) {
  const char* ini = g_ini_path;
  EXPECT_EQ(ini_read_int(ini, "vendrit", "copyonly", 7), 7);  // no file
  write_file("vendrit.ini", "[other]\r\ncopyonly=5\r\n[Vendrit]\r\n CopyOnly = 2 \r\nempty=\r\n"
                            "neg=-3\r\ntext=abc\r\nprog=\"C:\\bk\\run.exe /x\"\r\n"
                            "jp=C:\\\x95\x5c\\\x83\x5c.exe\n");
  struct Case {
    const char* key;
    int want;
  } ints[] = {{"copyonly", 2}, {"empty", 7}, {"neg", -3}, {"text", 0}, {"missing", 7}};
  for (const Case& c : ints) EXPECT_EQ(ini_read_int(ini, "vendrit", c.key, 7), c.want) << c.key;
  EXPECT_EQ(ini_read_int(ini, "other", "copyonly", 7), 5);
  char buf[16];
  ini_read_string(ini, "vendrit", "prog", "", buf, sizeof buf);
  EXPECT_STREQ(buf, "C:\\bk\\run.exe /");  // quotes gone, cut to the buffer
  ini_read_string(ini, "vendrit", "empty", "def", buf, sizeof buf);
  EXPECT_STREQ(buf, "");
  ini_read_string(ini, "vendrit", "jp", "", buf, sizeof buf);
  EXPECT_STREQ(buf, "C:\\\x95\x5c\\\x83\x5c.exe");  // 表 and ソ kept whole
  ini_read_string(ini, "vendrit", "jp", "", buf, 6);
  EXPECT_STREQ(buf, "C:\\\x95\x5c");  // cut before a character, never inside
}

TEST_F(IniFileTest, WritesKeepEveryOtherLineAndTheKeyOrder) {
  const char* ini = g_ini_path;
  write_file("vendrit.ini", "; note\r\n[Vendrit]\r\ncopyonly=0\r\n\r\n[other]\r\nx=1\r\n");
  EXPECT_TRUE(ini_write_string(ini, "vendrit", "copyonly", "1"));
  EXPECT_TRUE(ini_write_string(ini, "vendrit", "backupprog", "C:\\\x95\x5c\\run.exe"));
  EXPECT_TRUE(ini_write_string(ini, "new", "k", "v"));
  EXPECT_EQ(read_file("vendrit.ini"),
            "; note\r\n[Vendrit]\r\ncopyonly=1\r\nbackupprog=C:\\\x95\x5c\\run.exe\r\n\r\n"
            "[other]\r\nx=1\r\n[new]\r\nk=v\r\n");
}

}  // namespace
}  // namespace vendrit
