#include "repair/thread_links.h"

#include "tests/test_support.h"

namespace vendrit {
namespace {

class ThreadLinksTest : public RootTest {};

// Only links reading a thread of this board on the old host follow it from bbs.x to newbbs.x;
// every byte after a NUL is carried and searched; a log whose size cannot be told at first is
// measured again.
TEST_F(ThreadLinksTest, RewritesOnlyThisBoardsReadingAddresses) {
  const std::string nul(1, '\0');
  const std::pair<std::string, std::string> links[] = {
      {"bbs.x/test/read.cgi/news/123/", "newbbs.x/test/read.cgi/news/123/"},
      {"bbs.x/test/read.cgi?bbs=news4vip&key=1", "newbbs.x/test/read.cgi?bbs=news4vip&key=1"},  // own length only
      {"bbs.x/test/read.cgi/news4vip/1/", "bbs.x/test/read.cgi/news4vip/1/"},  // the path form ends in "/"
      {"a.bbs.x/bbs.x/index.html", "a.bbs.x/bbs.x/index.html"},
      {nul + "a.bbs.x/test/read.cgi/news/1/", nul + "a.newbbs.x/test/read.cgi/news/1/"},
      {"newbbs.x/test/read.cgi/news/2/", "newbbs.x/test/read.cgi/news/2/"},  // already moved by a cut-short run
      {"bbs.x/test/read.cgi/ne", "bbs.x/test/read.cgi/ne"},  // cut by the end of the log
  };
  std::string before, after;
  for (const auto& l : links) before += " " + l.first;
  for (const auto& l : links) after += " " + l.second;
  write_tree("log\\news", {"123.dat=" + before});
  use_small_work_buffer();
  fault_.fail_op(FaultOp::kStat, 1);
  EXPECT_EQ(rewrite_thread_links(run_, "log\\news", "123.idx", "news", "bbs.x/", "newbbs.x/"), LinkRewrite::kRewritten);
  EXPECT_EQ(read_file("log\\news\\123.dat"), after);
  EXPECT_EQ(ui_->output, "");
}

}  // namespace
}  // namespace vendrit
