#include "app/startup.h"
#include "app/command_words.h"

#include "tests/test_support.h"
#include "vendrit_config.h"

namespace vendrit {
namespace {

std::string board(const std::string& id, const char* host = "a") {
  return "\t" + std::string(host) + kMainSuffix + "\t" + id + "\tn\r\n";
}

class StartupTest : public RootTest {
 protected:
  void SetUp() override {
    RootTest::SetUp();
    write_file("2channel.brd", board("news"));
  }
  int start(const char* words) { return vendrit_main(words, ui_, &run_); }
};

TEST_F(StartupTest, Refusals) {
  std::string full, twice = board("x") + board("x", "b");
  for (int i = 0; i < kBoardListCapacity; ++i) full += board("b" + std::to_string(i));
  // fault 1: exclude.lst unwritable, 2: no work buffer, 3: another instance holds the marker.
  const struct Row { const char* message; std::string board_list; int fault; } rows[] = {
      {"2channel.brdがありません", "", 0},
      {"鯖大杉", full, 0},
      {"板の重複が除外されていません\n「exclude.lst」に重複鯖を出力します", twice, 0},
      {"板の重複が除外されていません", twice, 1},
      {"作業用バッファが確保できませんでした", board("news"), 2},
      {"Vendritの多重起動は出来ません", board("news"), 3},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.message);
    for (const char* f : {"2channel.brd", "exclude.lst"}) std::remove(f);
    if (!r.board_list.empty()) write_file("2channel.brd", r.board_list);
    fault_.reset();
    if (r.fault == 1) fault_.lock_file("exclude.lst");
    if (r.fault == 2) fail_work_buffer_growths(work_, 1);
    fault_.marker_held_ = r.fault == 3;
    ui_->errors.clear();
    EXPECT_EQ(start("setup"), -1);  // even settings mode is refused
    EXPECT_EQ(ui_->errors, std::vector<std::string>{r.message});
    EXPECT_EQ(ui_->main_windows + ui_->dialogs.size(), 0u);
    EXPECT_EQ(fault_.marker_held_, r.fault == 3);
  }
}

// The main window sees everything loaded ("AUTO" lower-cased wins over "setup"); the program's
// files stay in the root wherever the process goes; nothing saved unasked.
TEST_F(StartupTest, MainWindowLifeAndRelease) {
  write_file("vendrit.ini", "[vendrit]\r\ncopyonly=1\r\ncopylarge=1\r\n");
  write_file("fav.idx", "");
  make_dirs("elsewhere");
  std::vector<long> seen;
  ui_->on_main_window = [&] {
    seen = {fault_.marker_held_, choices_.run_mode, settings_.copyonly, catalogue_.boards.size() == 1,
            catalogue_.favourites.size() == 1, progress_.logging};
    enter_dir("elsewhere");
    settings_.wait = 1;
    save_run_settings(env_, settings_);
  };
  EXPECT_EQ(start("x AUTO setup"), 0);
  enter_dir("..");
  EXPECT_EQ(seen, (std::vector<long>{1, 2, 1, 1, 1, 0}));
  EXPECT_TRUE(ui_->main_windows == 1 && ui_->dialogs.empty() && ui_->errors.empty());
  EXPECT_FALSE(fault_.marker_held_);
  EXPECT_NE(read_file("vendrit.ini").find("wait=1"), std::string::npos);
  EXPECT_FALSE(file_exists("elsewhere\\vendrit.ini"));
}

// Settings mode: unowned dialog, no main window; cancel writes nothing, OK saves the words' choice too.
TEST_F(StartupTest, SettingsModeSavesUnlessCancelled) {
  EXPECT_EQ(start("setup"), 0);
  EXPECT_EQ(ui_->dialogs, std::vector<bool>{false});
  EXPECT_FALSE(file_exists("vendrit.ini"));
  write_file("vendrit.ini", "[vendrit]\r\ncopylarge=1\r\n");
  ui_->dialog_result = 1;
  EXPECT_EQ(start("setup new"), 0);
  EXPECT_EQ(read_file("vendrit.ini").substr(0, 50), "[vendrit]\r\ncopylarge=0\r\ncopyonly=0\r\nchangelink=1\r\n");
  EXPECT_EQ(ui_->main_windows, 0);
  EXPECT_FALSE(fault_.marker_held_);
}

TEST(CommandWords, Table) {
  // Lower-cased words; settings before, then run mode, settings after, settings mode.
  struct Row { const char* line; int copyonly_before, copylarge_before, mode, copyonly, copylarge, setup; } rows[] = {
      {"", 1, 1, 0, 1, 1, false}, {"auto", 1, 1, 2, 1, 1, false}, {"aborn", 0, 1, 1, 1, 1, false},
      {"autorun setup aborn large", 0, 0, 2, 0, 0, false},  // auto stops everything else
      {"leave", 1, 1, 1, 0, 1, false}, {"aborn leave", 0, 1, 1, 1, 1, false},  // only aborn counts
      {"new large", 1, 1, 1, 1, 0, false}, {"leave large", 1, 0, 2, 0, 1, false},  // only new counts; two choices: auto
      {"xxnewsxx", 1, 1, 1, 1, 0, false},  // substrings count
      {"setup new", 0, 1, 1, 0, 0, true},
      {"preview leave large", 1, 0, 1, 0, 1, false}};  // a preview waits for GO!
  for (const Row& r : rows) {
    RunSettings s{r.copyonly_before, r.copylarge_before};
    CommandChoice c = apply_command_words(r.line, &s);
    EXPECT_EQ(std::vector<int>({c.run_mode, c.setup, s.copyonly, s.copylarge}),
              std::vector<int>({r.mode, r.setup, r.copyonly, r.copylarge})) << r.line;
  }
}

}  // namespace
}  // namespace vendrit
