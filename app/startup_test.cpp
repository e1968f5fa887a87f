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
  for (char& c : path) if (c == '\\') c = '/';
  return path;
}

class StartupTest : public RootTest {
 protected:
  void SetUp() override {
    RootTest::SetUp();
    // Start-up allocates these itself.
    work_buffer_free();
    copy_data_block_free();
    write_file("2channel.brd", "\t" + host("a") + "\tnews\tニュース\r\n");
  }

  int start(const char* words) { return vendrit_main(words, ui_); }

  void expect_released() {
    EXPECT_EQ(g_work.data, nullptr);
    EXPECT_EQ(g_copy_data_block, nullptr);
    EXPECT_FALSE(fault_.marker_held_);
  }
};

TEST_F(StartupTest, Refusals) {
  struct Row {
    const char* what;
    std::function<void(FaultEnv&)> prepare;
    const char* message;
  } rows[] = {
      {"board list missing", [](FaultEnv&) { std::remove("2channel.brd"); },
       "2channel.brdがありません"},
      {"board list full",
       [](FaultEnv&) {
         std::string text;
         for (int i = 0; i < kBoardListCapacity; ++i) {
           text += "\t" + host("a") + "\tb" + std::to_string(i) + "\tn\r\n";
         }
         write_file("2channel.brd", text);
       },
       "鯖大杉"},
      {"duplicates reported",
       [](FaultEnv&) { write_file("2channel.brd", "\t" + host("a") + "\tx\tn\r\n\t" + host("b") + "\tx\tn\r\n"); },
       "板の重複が除外されていません\n「exclude.lst」に重複鯖を出力します"},
      {"duplicates not written",
       [](FaultEnv& f) {
         write_file("2channel.brd", "\t" + host("a") + "\tx\tn\r\n\t" + host("b") + "\tx\tn\r\n");
         f.lock_file("exclude.lst");
       },
       "板の重複が除外されていません"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    write_file("2channel.brd", "\t" + host("a") + "\tnews\tn\r\n");
    std::remove("exclude.lst");
    fault_.reset();
    ui_->errors.clear();
    r.prepare(fault_);
    EXPECT_EQ(start("setup"), -1);  // even settings mode is refused
    EXPECT_EQ(ui_->errors, std::vector<std::string>{r.message});
    EXPECT_EQ(ui_->main_windows, 0);
    EXPECT_TRUE(ui_->dialogs.empty());
    expect_released();
  }
}

TEST_F(StartupTest, SecondInstanceIsRefusedAndTheMarkerStaysWithTheFirst) {
  fault_.marker_held_ = true;
  EXPECT_EQ(start(""), -1);
  EXPECT_EQ(ui_->errors, std::vector<std::string>{"Vendritの多重起動は出来ません"});
  EXPECT_TRUE(fault_.marker_held_);
  EXPECT_EQ(ui_->main_windows, 0);
}

TEST_F(StartupTest, WorkBufferFailure) {
  work_buffer_fail_next_growths(1);
  EXPECT_EQ(start(""), -1);
  EXPECT_EQ(ui_->errors, std::vector<std::string>{"作業用バッファが確保できませんでした"});
  expect_released();
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
  EXPECT_EQ(start("x AUTO setup"), 0);
  EXPECT_EQ(ui_->main_windows, 1);
  EXPECT_TRUE(ui_->dialogs.empty());
  EXPECT_TRUE(ui_->errors.empty());
  expect_released();
  EXPECT_FALSE(file_exists("vendrit.ini") && read_file("vendrit.ini").find("changelink") != std::string::npos);
}

TEST_F(StartupTest, LoggingIsActiveWhenTheLogFileExists) {
  write_file("vendrit.log", "");
  ui_->on_main_window = [&] { EXPECT_EQ(g_logging, 1); };
  EXPECT_EQ(start(""), 0);
  EXPECT_EQ(ui_->main_windows, 1);
}

TEST_F(StartupTest, SettingsModeSavesUnlessCancelled) {
  // Cancel: nothing is written, no main window.
  ui_->dialog_result = 0;
  EXPECT_EQ(start("setup"), 0);
  EXPECT_EQ(ui_->dialogs, std::vector<bool>{false});
  EXPECT_FALSE(file_exists("vendrit.ini"));
  EXPECT_EQ(ui_->main_windows, 0);
  expect_released();

  // OK with "new": the word's choice is what the dialog shows and saves.
  write_file("vendrit.ini", "[vendrit]\r\ncopylarge=1\r\n");
  ui_->dialog_result = 1;
  EXPECT_EQ(start("setup new"), 0);
  EXPECT_EQ(read_file("vendrit.ini"),
            "[vendrit]\r\ncopylarge=0\r\ncopyonly=0\r\nchangelink=1\r\nchangebbs=0\r\nbackup=0\r\n"
            "wait=0\r\nuse_ukagaka=0\r\nbackupprog=\r\nno_move=0\r\n");
  EXPECT_EQ(ui_->main_windows, 0);
  expect_released();
}

TEST_F(StartupTest, ProgramFilesStayInTheStartDirectory) {
  make_dirs("elsewhere");
  ui_->on_main_window = [&] {
    fault_.set_current_dir("elsewhere");
    save_run_settings();
    fault_.set_current_dir("..");
  };
  EXPECT_EQ(start(""), 0);
  EXPECT_TRUE(file_exists("vendrit.ini"));
  EXPECT_FALSE(file_exists("elsewhere\\vendrit.ini"));
}

}  // namespace
}  // namespace vendrit
