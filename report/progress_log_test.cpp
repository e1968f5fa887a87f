#include "report/progress_log.h"

#include "tests/test_support.h"

namespace vendrit {
namespace {

class ProgressLogTest : public RootTest {};

// The first run copies its time stamp and relocation lines, then a final
// CR LF; window-only lines and everything after the close stay out, and a
// second run logs nothing.
TEST_F(ProgressLogTest, RoutingOfTheFirstRun) {
  write_file("vendrit.log", "earlier\r\n");
  progress_log_detect(progress_, env_);
  const std::string stamp = "\r\n========== 2026年12月6日 09:05:07 ==========", moved = "\r\nBBS:news  old->new";
  for (int run = 0; run < 2; ++run) {
    progress_show(progress_, "開始します");
    progress_log_open(progress_, env_);
    progress_timestamp(progress_, env_);
    progress_print(progress_, "\r\nBBS:%s  %s->%s", "news", "old", "new");
    progress_log_close(progress_);
    progress_print(progress_, "\r\n書き換え中 BBS:%s", "news");
    EXPECT_EQ(read_file("vendrit.log"), "earlier\r\n" + stamp + moved + "\r\n");
  }
  EXPECT_EQ(ui_->output, "開始します" + stamp + moved + "\r\n書き換え中 BBS:news" + "開始します" + stamp + moved +
                             "\r\n書き換え中 BBS:news");
}

// A log that cannot be appended to turns logging off with a message; a line
// is cut to the message buffer, never past it, and drawn at once.
TEST_F(ProgressLogTest, UnappendableLogAndLongLines) {
  write_file("vendrit.log", "keep");
  progress_log_detect(progress_, env_);
  fault_.lock_file(kLogFileName);
  progress_log_open(progress_, env_);
  EXPECT_FALSE(progress_.logging);
  EXPECT_EQ(ui_->output, "\r\nログファイルのオープンに失敗しました");
  ui_->output.clear();
  progress_print(progress_, "\r\nBBS:%s", std::string(2000, 'x').c_str());
  EXPECT_EQ(ui_->output.size(), kMessageBufferSize - 1);
  EXPECT_EQ(ui_->redraws, 2);
  EXPECT_EQ(read_file("vendrit.log"), "keep");
}

}  // namespace
}  // namespace vendrit
