#include "state/run_settings.h"

#include "tests/test_support.h"

namespace vendrit {
namespace {

class RunSettingsTest : public RootTest {};

TEST_F(RunSettingsTest, DefaultsWithoutIniFile) {
  g_settings.changelink = 0;
  g_settings.copyonly = 5;
  load_run_settings();
  EXPECT_EQ(g_settings.copyonly, 0);
  EXPECT_EQ(g_settings.copylarge, 0);
  EXPECT_EQ(g_settings.changelink, 1);
  EXPECT_EQ(g_settings.changebbs, 0);
  EXPECT_EQ(g_settings.backup, 0);
  EXPECT_EQ(g_settings.wait, 0);
  EXPECT_EQ(g_settings.use_ukagaka, 0);
  EXPECT_STREQ(g_settings.backupprog, "");
  EXPECT_EQ(g_settings.no_move, 0);
  EXPECT_FALSE(file_exists("vendrit.ini"));  // reading never creates it
}

TEST_F(RunSettingsTest, SaveWritesNineKeysInOrderAsZeroOrOne) {
  g_settings.copyonly = 2;
  g_settings.changelink = 0;
  g_settings.use_ukagaka = -1;
  copy_text(g_settings.backupprog, sizeof g_settings.backupprog, "C:\\tools\\bk.exe /all");
  save_run_settings();
  EXPECT_EQ(read_file("vendrit.ini"),
            "[vendrit]\r\ncopyonly=1\r\ncopylarge=0\r\nchangelink=0\r\nchangebbs=0\r\n"
            "backup=0\r\nwait=0\r\nuse_ukagaka=1\r\nbackupprog=C:\\tools\\bk.exe /all\r\n"
            "no_move=0\r\n");
  g_settings = RunSettings();
  load_run_settings();
  EXPECT_EQ(g_settings.copyonly, 1);
  EXPECT_EQ(g_settings.changelink, 0);
  EXPECT_STREQ(g_settings.backupprog, "C:\\tools\\bk.exe /all");
}

TEST_F(RunSettingsTest, BackupProgramIsReadWithAtMost255Characters) {
  write_file("vendrit.ini", "[vendrit]\r\nbackupprog=" + std::string(300, 'p') + "\r\ncopyonly=2\r\n");
  load_run_settings();
  EXPECT_EQ(strlen(g_settings.backupprog), kBackupProgIniChars);
  EXPECT_EQ(g_settings.copyonly, 2);  // any non-zero value is on
}

}  // namespace
}  // namespace vendrit
