#include "app/startup.h"
#include "app/command_words.h"

#include "tests/test_support.h"

namespace vendrit {
namespace {

class StartupTest : public RootTest {
 protected:
  int start(const char* words) { return vendrit_main(words, ui_, &run_); }
};

// A refusal (here: no board list) releases the marker; another instance's marker refuses the
// start and stays with it.
TEST_F(StartupTest, RefusalsReleaseOnlyTheirOwnMarker) {
  for (bool other : {false, true}) {
    fault_.marker_held_ = other;
    EXPECT_EQ(start("setup"), -1);
    EXPECT_EQ(fault_.marker_held_, other);
    EXPECT_EQ(ui_->errors.size(), other + 1u);
  }
}

// Settings mode saves only on OK; the words are lower-cased, so "AUTO" runs the main window.
TEST_F(StartupTest, SettingsModeSavesOnlyOnOk) {
  write_file("2channel.brd", "\t" + server("a") + "\tnews\tn\r\n");
  EXPECT_EQ(start("setup"), 0);
  EXPECT_FALSE(file_exists("vendrit.ini"));
  ui_->dialog_result = 1;
  EXPECT_EQ(start("setup"), 0);
  EXPECT_TRUE(file_exists("vendrit.ini"));
  EXPECT_EQ(start("AUTO setup"), 0);
  EXPECT_EQ(ui_->main_windows, 1);
}

// Words in the line: "auto" stops all else, aborn wins over leave, two choices make a run
// automatic unless a preview is asked for.
TEST(CommandWords, Table) {
  struct Row { const char* line; int mode, copyonly, copylarge; } rows[] = {
      {.line = "autorun aborn large", .mode = 2, .copyonly = 2, .copylarge = 2},
      {.line = "aborn leave", .mode = 1, .copyonly = 1, .copylarge = 2},
      {.line = "preview aborn large", .mode = 1, .copyonly = 1, .copylarge = 1},
  };
  for (const Row& r : rows) {
    RunSettings s{2, 2};  // 2: left as it was
    EXPECT_EQ(apply_command_words(r.line, &s).run_mode, r.mode) << r.line;
    EXPECT_EQ(std::vector<int>({s.copyonly, s.copylarge}), std::vector<int>({r.copyonly, r.copylarge})) << r.line;
  }
}

}  // namespace
}  // namespace vendrit
