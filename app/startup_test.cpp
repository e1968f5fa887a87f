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

std::string host(const char* name) { return std::string(name) + kMainSuffix; }
// Paths compared without regard to the separator the platform prefers.
std::string normal(std::string path) {
  for (char& c : path) c = c == '\\' ? '/' : c;
  return path;
}
const std::string kDuplicate = "\t" + host("a") + "\tx\tn\r\n\t" + host("b") + "\tx\tn\r\n";

class StartupTest : public RootTest {
 protected:
  void SetUp() override {
    RootTest::SetUp();
    work_buffer_free();  // start-up allocates these itself
    copy_data_block_free();
    write_file("2channel.brd", "\t" + host("a") + "\tnews\tニュース\r\n");
  }
  void expect_released() {
    EXPECT_EQ(g_work.data, nullptr);
    EXPECT_EQ(g_copy_data_block, nullptr);
    EXPECT_FALSE(fault_.marker_held_);
  }
};

TEST_F(StartupTest, Refusals) {
  std::string full;
  for (int i = 0; i < kBoardListCapacity; ++i) full += "\t" + host("a") + "\tb" + std::to_string(i) + "\tn\r\n";
  const struct Row {
    const char* message;
    std::string board_list;  // empty: none
    bool lock_exclusions, fail_buffer;
  } rows[] = {
      {"2channel.brdがありません", "", false, false},
      {"鯖大杉", full, false, false},
      {"板の重複が除外されていません\n「exclude.lst」に重複鯖を出力します", kDuplicate, false, false},
      {"板の重複が除外されていません", kDuplicate, true, false},
      {"作業用バッファが確保できませんでした", "\t" + host("a") + "\tnews\tn\r\n", false, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.message);
    std::remove("2channel.brd");
    if (!r.board_list.empty()) write_file("2channel.brd", r.board_list);
    std::remove("exclude.lst");
    fault_.reset();
    if (r.lock_exclusions) fault_.lock_file("exclude.lst");
    if (r.fail_buffer) fail_work_buffer_growths(1);
    ui_->errors.clear();
    EXPECT_EQ(vendrit_main("setup", ui_), -1);  // even settings mode is refused
    EXPECT_EQ(ui_->errors, std::vector<std::string>{r.message});
    EXPECT_EQ(ui_->main_windows, 0);
    EXPECT_TRUE(ui_->dialogs.empty());
    expect_released();
  }
}

TEST_F(StartupTest, MainWindowLifeAndRelease) {
  write_file("vendrit.ini", "[vendrit]\r\ncopyonly=1\r\ncopylarge=1\r\n");
  write_file("fav.idx", "");
  std::string root = root_->path();
  ui_->on_main_window = [&] {
    EXPECT_NE(g_work.data, nullptr);
    EXPECT_EQ(g_work.size, kWorkBufferInitialSize);
    EXPECT_NE(g_copy_data_block, nullptr);
    EXPECT_TRUE(fault_.marker_held_);
    EXPECT_EQ(g_run_mode, 2);  // "AUTO" in capitals counts
    EXPECT_EQ(g_settings.copyonly, 1);
    EXPECT_EQ(g_board_count, 1);
    EXPECT_EQ(g_favourite_count, 1);
    EXPECT_EQ(g_logging, 0);  // no vendrit.log at start
    EXPECT_EQ(normal(g_ini_path), normal(root + "/vendrit.ini"));
    EXPECT_EQ(normal(g_log_path), normal(root + "/vendrit.log"));
  };
  EXPECT_EQ(vendrit_main("x AUTO setup", ui_), 0);
  EXPECT_EQ(ui_->main_windows, 1);
  EXPECT_TRUE(ui_->dialogs.empty());
  EXPECT_TRUE(ui_->errors.empty());
  expect_released();
  EXPECT_FALSE(file_exists("vendrit.ini") && read_file("vendrit.ini").find("changelink") != std::string::npos);
}

TEST_F(StartupTest, SettingsModeSavesUnlessCancelled) {
  ui_->dialog_result = 0;  // cancel: nothing is written, no main window
  EXPECT_EQ(vendrit_main("setup", ui_), 0);
  EXPECT_EQ(ui_->dialogs, std::vector<bool>{false});
  EXPECT_FALSE(file_exists("vendrit.ini"));
  expect_released();

  // OK with "new": the word's choice is what the dialog shows and saves.
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
