// Start-up as a whole, in-process, with a recording Ui: every refusal, what
// is released on each path, settings mode and the main window's life.
#include "app/startup.h"

#include "state/run_settings.h"
#include "state/work_buffer.h"
#include "catalogue/catalogue.h"
#include "report/progress_log.h"
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
    work_buffer_free();  // start-up allocates these itself
    copy_data_block_free();
    write_file("2channel.brd", board("news"));
  }
  // Every path gives back what start-up took.
  void expect_released() {
    EXPECT_EQ(g_work.data, nullptr);
    EXPECT_EQ(g_copy_data_block, nullptr);
    EXPECT_FALSE(fault_.marker_held_);
  }
};

TEST_F(StartupTest, Refusals) {
  std::string full, twice = board("x") + board("x", "b");
  for (int i = 0; i < kBoardListCapacity; ++i) full += board("b" + std::to_string(i));
  const struct Row {
    const char* message;
    std::string board_list;  // empty: none
    int fault;               // 1: exclude.lst cannot be written, 2: no work buffer
  } rows[] = {
      {"2channel.brdがありません", "", 0},
      {"鯖大杉", full, 0},
      {"板の重複が除外されていません\n「exclude.lst」に重複鯖を出力します", twice, 0},
      {"板の重複が除外されていません", twice, 1},
      {"作業用バッファが確保できませんでした", board("news"), 2},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.message);
    std::remove("2channel.brd");
    if (!r.board_list.empty()) write_file("2channel.brd", r.board_list);
    std::remove("exclude.lst");
    fault_.reset();
    if (r.fault == 1) fault_.lock_file("exclude.lst");
    if (r.fault == 2) fail_work_buffer_growths(1);
    ui_->errors.clear();
    EXPECT_EQ(vendrit_main("setup", ui_), -1);  // even settings mode is refused
    EXPECT_EQ(ui_->errors, std::vector<std::string>{r.message});
    EXPECT_EQ(ui_->main_windows + ui_->dialogs.size(), 0u);
    expect_released();
  }
}

// The main window sees everything loaded (the words lower-cased first, so
// "AUTO" wins over "setup"), the paths absolute, and nothing is saved.
TEST_F(StartupTest, MainWindowLifeAndRelease) {
  write_file("vendrit.ini", "[vendrit]\r\ncopyonly=1\r\ncopylarge=1\r\n");
  write_file("fav.idx", "");
  std::vector<long> seen;
  std::string paths;
  ui_->on_main_window = [&] {
    seen = {g_work.data != nullptr, g_copy_data_block != nullptr, fault_.marker_held_, g_run_mode,
            g_settings.copyonly, g_board_count, g_favourite_count, g_logging};
    paths = std::string(g_ini_path) + "|" + g_log_path;
  };
  EXPECT_EQ(vendrit_main("x AUTO setup", ui_), 0);
  EXPECT_EQ(seen, (std::vector<long>{1, 1, 1, 2, 1, 1, 1, 0}));
  for (char& c : paths) c = c == '\\' ? '/' : c;
  EXPECT_EQ(paths, root_->path() + "/vendrit.ini|" + root_->path() + "/vendrit.log");
  EXPECT_EQ(ui_->main_windows, 1);
  EXPECT_TRUE(ui_->dialogs.empty() && ui_->errors.empty());
  expect_released();
  EXPECT_EQ(read_file("vendrit.ini"), "[vendrit]\r\ncopyonly=1\r\ncopylarge=1\r\n");
}

// Settings mode shows the unowned dialog and opens no main window; cancel
// writes nothing, OK saves what the dialog shows, the words' choice included.
TEST_F(StartupTest, SettingsModeSavesUnlessCancelled) {
  EXPECT_EQ(vendrit_main("setup", ui_), 0);
  EXPECT_EQ(ui_->dialogs, std::vector<bool>{false});
  EXPECT_FALSE(file_exists("vendrit.ini"));
  expect_released();
  write_file("vendrit.ini", "[vendrit]\r\ncopylarge=1\r\n");
  ui_->dialog_result = 1;
  EXPECT_EQ(vendrit_main("setup new", ui_), 0);
  EXPECT_EQ(read_file("vendrit.ini"),
            "[vendrit]\r\ncopylarge=0\r\ncopyonly=0\r\nchangelink=1\r\nchangebbs=0\r\nbackup=0\r\n"
            "wait=0\r\nuse_ukagaka=0\r\nbackupprog=\r\nno_move=0\r\n");
  EXPECT_EQ(ui_->main_windows, 0);
  expect_released();
}

}  // namespace
}  // namespace vendrit
