#include "app/console/console_settings.h"

#include "tests/test_support.h"

namespace vendrit {
namespace {

class ConsoleSettingsTest : public RootTest {
 protected:
  int answer(std::string input) {
    FILE* in = fmemopen(&input[0], input.size(), "r");
    int r = run_console_settings(in, [](const char*) {}, &settings_, &choices_);
    fclose(in);
    return r;
  }
};

// OK takes the form as the dialog would: a copyonly of 2 does not select "放置する" and is
// taken as 0.  Cancel takes nothing.
TEST_F(ConsoleSettingsTest, OkTakesTheFormCancelDoesNot) {
  settings_.copyonly = 2;
  EXPECT_EQ(answer("ok\n"), 1);
  EXPECT_EQ(settings_.copyonly, 0);
  EXPECT_EQ(answer("1\ncancel\n"), 0);
  EXPECT_EQ(settings_.copyonly, 0);
}

}  // namespace
}  // namespace vendrit
