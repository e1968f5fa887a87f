// The settings file with the Windows semantics stored files rely on, Shift_JIS kept as it is.
#include "platform/ini_file.h"

#include "state/run_settings.h"
#include "tests/test_support.h"

namespace vendrit {
namespace {

class SettingsFileTest : public RootTest {};

TEST_F(SettingsFileTest, ReadsAsTheWindowsFunctionsDo) {
  EXPECT_EQ(ini_read_int(env_, kIniFileName, "vendrit", "copyonly", 7), 7);  // no file
  write_file("vendrit.ini", "[other]\r\ncopyonly=5\r\n[Vendrit]\r\n CopyOnly = 2 \r\nempty=\r\n"
                            "neg=-3\r\ntext=abc\r\nprog=\"C:\\bk\\run.exe /x\"\r\n"
                            "jp=C:\\\x95\x5c\\\x83\x5c.exe\n");
  const std::pair<const char*, int> ints[] = {{"copyonly", 2}, {"empty", 7}, {"neg", -3}, {"text", 0}, {"missing", 7}};
  for (const auto& c : ints) EXPECT_EQ(ini_read_int(env_, kIniFileName, "vendrit", c.first, 7), c.second) << c.first;
  EXPECT_EQ(ini_read_int(env_, kIniFileName, "other", "copyonly", 7), 5);
  // Quotes go and text is cut to the buffer, before a character (表, ソ), never inside.
  const struct { const char* key; size_t size; const char* want; } strings[] = {{"prog", 16, "C:\\bk\\run.exe /"},
      {"empty", 16, ""}, {"jp", 16, "C:\\\x95\x5c\\\x83\x5c.exe"}, {"jp", 6, "C:\\\x95\x5c"}};
  for (const auto& c : strings) {
    char buf[16];
    ini_read_string(env_, kIniFileName, "vendrit", c.key, "def", buf, c.size);
    EXPECT_STREQ(buf, c.want) << c.key;
  }
}

TEST_F(SettingsFileTest, WritesKeepEveryOtherLineAndTheKeyOrder) {
  write_file("vendrit.ini", "; note\r\n[Vendrit]\r\ncopyonly=0\r\n\r\n[other]\r\nx=1\r\n");
  EXPECT_TRUE(ini_write_string(env_, kIniFileName, "vendrit", "copyonly", "1"));
  EXPECT_TRUE(ini_write_string(env_, kIniFileName, "vendrit", "backupprog", "C:\\\x95\x5c\\run.exe"));
  EXPECT_TRUE(ini_write_string(env_, kIniFileName, "new", "k", "v"));
  EXPECT_EQ(read_file("vendrit.ini"),
            "; note\r\n[Vendrit]\r\ncopyonly=1\r\nbackupprog=C:\\\x95\x5c\\run.exe\r\n\r\n"
            "[other]\r\nx=1\r\n[new]\r\nk=v\r\n");
}

// A value reads back as it was written, even one that reading would unquote or trim.
TEST_F(SettingsFileTest, WrittenValuesReadBackAsTheyWere) {
  const char* values[] = {"\"C:\\Program Files\\bk.exe\"", "'q'", " blank "};
  for (const char* value : values) {
    EXPECT_TRUE(ini_write_string(env_, kIniFileName, "vendrit", "backupprog", value));
    char buf[32];
    ini_read_string(env_, kIniFileName, "vendrit", "backupprog", "", buf, sizeof buf);
    EXPECT_STREQ(buf, value);
  }
}

// Every key saved in order, flags as 0 or 1, read back (none at its default); a long program path is cut to 255.
TEST_F(SettingsFileTest, NineKeysRoundTrip) {
  RunSettings& s = settings_;
  s.copyonly = 2;
  s.copylarge = s.changebbs = s.backup = s.wait = s.no_move = 1;
  s.changelink = 0;
  s.use_ukagaka = -1;
  copy_text(s.backupprog, sizeof s.backupprog, "C:\\tools\\bk.exe /all");
  save_run_settings(env_, s);
  EXPECT_EQ(read_file("vendrit.ini"),
            "[vendrit]\r\ncopyonly=1\r\ncopylarge=1\r\nchangelink=0\r\nchangebbs=1\r\nbackup=1\r\n"
            "wait=1\r\nuse_ukagaka=1\r\nbackupprog=C:\\tools\\bk.exe /all\r\nno_move=1\r\n");
  s = RunSettings();
  load_run_settings(env_, &s);
  EXPECT_EQ(std::vector<int>({s.copyonly, s.copylarge, s.changelink, s.changebbs, s.backup, s.wait, s.use_ukagaka,
                              s.no_move}), std::vector<int>({1, 1, 0, 1, 1, 1, 1, 1}));
  EXPECT_STREQ(s.backupprog, "C:\\tools\\bk.exe /all");
  write_file("vendrit.ini", "[vendrit]\r\nbackupprog=" + std::string(300, 'p') + "\r\ncopyonly=2\r\n");
  load_run_settings(env_, &s);
  EXPECT_EQ(strlen(s.backupprog), kBackupProgIniChars);
  EXPECT_EQ(s.copyonly, 2);  // kept as it is: only 1 selects "放置する"
}

}  // namespace
}  // namespace vendrit
