#include "state/run_settings.h"

#include "tests/test_support.h"

namespace vendrit {
namespace {

class RunSettingsTest : public RootTest {};

// Every key is saved in its order, flags as 0 or 1, and read back: each set
// to what is not its default.
TEST_F(RunSettingsTest, NineKeysRoundTrip) {
  RunSettings& s = g_settings;
  s.copyonly = 2;
  s.copylarge = s.changebbs = s.backup = s.wait = s.no_move = 1;
  s.changelink = 0;
  s.use_ukagaka = -1;
  copy_text(s.backupprog, sizeof s.backupprog, "C:\\tools\\bk.exe /all");
  save_run_settings();
  EXPECT_EQ(read_file("vendrit.ini"),
            "[vendrit]\r\ncopyonly=1\r\ncopylarge=1\r\nchangelink=0\r\nchangebbs=1\r\nbackup=1\r\n"
            "wait=1\r\nuse_ukagaka=1\r\nbackupprog=C:\\tools\\bk.exe /all\r\nno_move=1\r\n");
  s = RunSettings();
  load_run_settings();
  EXPECT_EQ(std::vector<int>({s.copyonly, s.copylarge, s.changelink, s.changebbs, s.backup, s.wait,
                              s.use_ukagaka, s.no_move}),
            std::vector<int>({1, 1, 0, 1, 1, 1, 1, 1}));
  EXPECT_STREQ(s.backupprog, "C:\\tools\\bk.exe /all");
}

TEST_F(RunSettingsTest, BackupProgramIsReadWithAtMost255Characters) {
  write_file("vendrit.ini", "[vendrit]\r\nbackupprog=" + std::string(300, 'p') + "\r\ncopyonly=2\r\n");
  load_run_settings();
  EXPECT_EQ(strlen(g_settings.backupprog), kBackupProgIniChars);
  EXPECT_EQ(g_settings.copyonly, 2);  // any non-zero value is on
}

}  // namespace
}  // namespace vendrit
