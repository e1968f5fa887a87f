#include "report/progress_log.h"

#include "state/run_settings.h"
#include "tests/test_support.h"

namespace vendrit {
namespace {

class ProgressLogTest : public RootTest {};

TEST_F(ProgressLogTest, LinesAreCutAt1023Characters) {
  progress_print("\r\nBBS:%s", std::string(2000, 'x').c_str());
  EXPECT_EQ(ui_->output.size(), kMessageBufferSize - 1);
  EXPECT_EQ(ui_->redraws, 1);
}

// The first run copies its time stamp and relocation lines, then a final
// CR LF; window-only lines and everything after the close stay out, also in
// a second run.
TEST_F(ProgressLogTest, RoutingOfTheFirstRun) {
  write_file("vendrit.log", "earlier\r\n");
  progress_log_detect();
  ASSERT_EQ(g_logging, 1);
  progress_show("開始します");
  progress_log_open();
  progress_timestamp();
  progress_print("\r\nBBS:%s  %s->%s", "news", "old", "new");
  progress_log_close();
  progress_print("\r\n書き換え中 BBS:%s", "news");
  progress_show("\r\n終了しました");
  const std::string stamp = "\r\n========== 2026年12月6日 09:05:07 ==========";
  const std::string log = "earlier\r\n" + stamp + "\r\nBBS:news  old->new\r\n";
  EXPECT_EQ(read_file("vendrit.log"), log);
  EXPECT_EQ(ui_->output, "開始します" + stamp + "\r\nBBS:news  old->new\r\n書き換え中 BBS:news\r\n終了しました");
  progress_log_open();
  progress_timestamp();
  progress_print("\r\nBBS:again");
  progress_log_close();
  EXPECT_EQ(read_file("vendrit.log"), log);
}

TEST_F(ProgressLogTest, LogFileThatCannotBeAppendedTurnsLoggingOff) {
  write_file("vendrit.log", "keep");
  progress_log_detect();
  fault_.lock_file(g_log_path);
  progress_log_open();
  EXPECT_EQ(g_logging, 0);
  EXPECT_EQ(ui_->output, "\r\nログファイルのオープンに失敗しました");
  progress_print("\r\nBBS:x");
  EXPECT_EQ(read_file("vendrit.log"), "keep");
}

}  // namespace
}  // namespace vendrit
