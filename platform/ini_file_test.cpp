// The settings file with the Windows semantics stored files rely on.
#include "platform/ini_file.h"

#include "state/run_settings.h"
#include "tests/test_support.h"

namespace vendrit {
namespace {

class SettingsFileTest : public RootTest {};

// A section name matches whatever its case; every setting reads back under its own key, any
// non-zero flag as 1, a quoted program path with its quotes.
TEST_F(SettingsFileTest, SettingsReadBackAsSaved) {
  write_file("vendrit.ini", "[Vendrit]\r\ncopyonly=2\r\n");
  load_run_settings(env_, &settings_);
  EXPECT_EQ(settings_.copyonly, 2);
  settings_.use_ukagaka = -1;
  settings_.no_move = 1;
  copy_text(settings_.backupprog, kPathSize, "\"C:\\Program Files\\bk.exe\"");
  save_run_settings(env_, settings_);
  RunSettings read;
  load_run_settings(env_, &read);
  EXPECT_EQ(std::vector<int>({read.copyonly, read.use_ukagaka, read.no_move}), std::vector<int>({1, 1, 1}));
  EXPECT_STREQ(read.backupprog, settings_.backupprog);
}

}  // namespace
}  // namespace vendrit
