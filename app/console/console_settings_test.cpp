#include "app/console/console_settings.h"

#include "state/run_settings.h"
#include "tests/test_support.h"

namespace vendrit {
namespace {

class ConsoleSettingsTest : public RootTest {
 protected:
  int answer(const std::string& input) {
    input_ = input;
    FILE* in = fmemopen(&input_[0], input_.size(), "r");
    int r = run_console_settings(in, [this](const char* text) { shown_ += text; });
    fclose(in);
    return r;
  }
  std::string input_, shown_;
};

TEST_F(ConsoleSettingsTest, OkTakesTheFormAsTheDialogWould) {
  g_settings.copyonly = 2;  // on, but only 1 selects "放置する"
  g_settings.copylarge = 1;
  EXPECT_EQ(answer("2\n4\n5\n7\nC:\\bk\\run.exe\n11\nok\n"), 1);
  EXPECT_NE(shown_.find("あぼ～んする"), std::string::npos);
  EXPECT_EQ(g_settings.copyonly, 0);
  EXPECT_EQ(g_settings.copylarge, 0);
  EXPECT_EQ(g_settings.changebbs, 1);
  EXPECT_EQ(g_settings.changelink, 1);
  EXPECT_EQ(g_favourites_rebuild, 1);
  EXPECT_EQ(g_foreign_server, 1);
  EXPECT_STREQ(g_settings.backupprog, "C:\\bk\\run.exe");
}

TEST_F(ConsoleSettingsTest, CancelAndEndOfInputChangeNothingButTheNotificationSwitch) {
  EXPECT_EQ(answer("1\n3\n9\ncancel\n"), 0);
  EXPECT_EQ(g_settings.copyonly, 0);
  EXPECT_EQ(g_settings.changelink, 1);
  EXPECT_EQ(g_settings.use_ukagaka, 1);  // acts at once, as in the dialog
  EXPECT_EQ(answer("1\n6\n"), 0);
  EXPECT_EQ(g_settings.copyonly, 0);
  EXPECT_EQ(g_settings.backup, 0);
}

}  // namespace
}  // namespace vendrit
