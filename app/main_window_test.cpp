// The window texts and the run sequence, driven through a recording Ui.
#include "app/main_window.h"
#include "app/run_sequence.h"

#include "tests/test_support.h"

namespace vendrit {
namespace {

class MainWindowTest : public RootTest {};

// The version with two decimals; an exclusion of a whole server reads 全板.
TEST_F(MainWindowTest, TitleAndExclusionSummary) {
  char title[260];
  format_window_title(title, sizeof title);
  EXPECT_STREQ(title, "Vendrit Version 3.08 [EM64T Version]");
  add_exclusion("srv.example", "*");
  show_exclusion_summary(*ui_, catalogue_);
  EXPECT_NE(ui_->output.find("\t全板"), std::string::npos) << ui_->output;
}

// Only an automatic run closes the window; a backup program that cannot start ends the run;
// the favourites rebuild is for one run.
TEST_F(MainWindowTest, RunSequence) {
  choices_.favourites_rebuild = 1;
  for (int mode : {1, 2}) {
    choices_.run_mode = mode;
    run_sequence(run_);
  }
  settings_.backup = 1;
  run_sequence(run_);
  EXPECT_EQ(ui_->exits_posted, 1);
  EXPECT_EQ(ui_->beeps, 2);
  EXPECT_EQ(ui_->buttons.size(), 3u);
  EXPECT_EQ(choices_.favourites_rebuild, 0);
}

// A preview changes nothing, yet counts the index files the move would bring in; the run then
// shows its progress out of the boards to move.
TEST_F(MainWindowTest, PreviewChangesNothing) {
  add_board(server("newer"), "news");
  write_file("log\\" + kOld + "\\news\\1.dat", "data");
  write_file("log\\" + kOld + "\\news\\1.idx", index_text(Index(0, kOld)));
  add_favourites("fav.idx", kOld + "\\news\\1.idx\r\n");
  const std::vector<std::string> before = snapshot_tree(".");
  preview_sequence(run_);
  EXPECT_EQ(snapshot_tree("."), before);
  EXPECT_NE(ui_->output.find("書き換える.idx 1件"), std::string::npos) << ui_->output;
  run_sequence(run_);
  EXPECT_EQ(ui_->progress.front(), (std::vector<int>{1, 1, 0}));
}

}  // namespace
}  // namespace vendrit
