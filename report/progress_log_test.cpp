#include "report/progress_log.h"

#include "tests/test_support.h"

namespace vendrit {
namespace {

class ProgressLogTest : public RootTest {};

// Only a run that finds vendrit.log logs: its time stamp (not what only the window shows) and
// a final CR LF; a run without one does not try.  A log that cannot be appended to turns
// logging off.
TEST_F(ProgressLogTest, OnlyAnExistingLogIsWritten) {
  const std::string stamp = "\r\n========== 2026年12月6日 09:05:07 ==========";
  for (bool existing : {false, true}) {
    if (existing) write_file("vendrit.log", "");
    progress_log_detect(progress_, env_);
    progress_log_open(progress_, env_);
    progress_timestamp(progress_, env_);
    progress_show(progress_, "\r\nwindow only");
    progress_log_close(progress_);
    EXPECT_EQ(file_exists("vendrit.log"), existing);
  }
  EXPECT_EQ(read_file("vendrit.log"), stamp + "\r\n");
  progress_log_detect(progress_, env_);
  fault_.fail_op(FaultOp::kOpen, 1);
  progress_log_open(progress_, env_);
  EXPECT_FALSE(progress_.logging);
}

}  // namespace
}  // namespace vendrit
