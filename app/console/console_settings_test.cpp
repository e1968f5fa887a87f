#include "app/console/console_settings.h"

#include "tests/test_support.h"

namespace vendrit {
namespace {

class ConsoleSettingsTest : public RootTest {
 protected:
  int answer(std::string input) {
    FILE* in = fmemopen(&input[0], input.size(), "r");
    int r = run_console_settings(in, [this](const char* text) { shown_ += text; }, &settings_, &choices_);
    fclose(in);
    const RunSettings& s = settings_;
    state_ = {s.copyonly, s.copylarge, s.changebbs, s.changelink, s.use_ukagaka, s.backup,
              choices_.favourites_rebuild, choices_.foreign_server};
    return r;
  }
  std::string shown_;
  std::vector<int> state_;
};

// OK takes the form as the dialog would (a copyonly of 2 is on, yet only 1
// selects "放置する"); cancel and the end of input change nothing but the
// notification switch, which acts at once.
TEST_F(ConsoleSettingsTest, OkTakesTheFormCancelDoesNot) {
  settings_.copyonly = 2;
  settings_.copylarge = 1;
  EXPECT_EQ(answer("2\n4\n5\n7\nC:\\bk\\run.exe\n11\nok\n"), 1);
  EXPECT_NE(shown_.find("あぼ～んする"), std::string::npos);
  EXPECT_EQ(state_, std::vector<int>({0, 0, 1, 1, 0, 0, 1, 1}));
  EXPECT_STREQ(settings_.backupprog, "C:\\bk\\run.exe");
  EXPECT_EQ(answer("1\n3\n4\n9\ncancel\n"), 0);
  EXPECT_EQ(state_, std::vector<int>({0, 0, 1, 1, 1, 0, 1, 1}));
  EXPECT_EQ(answer("1\n6\n"), 0);
  EXPECT_EQ(state_, std::vector<int>({0, 0, 1, 1, 1, 0, 1, 1}));
}

}  // namespace
}  // namespace vendrit
