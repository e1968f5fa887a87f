#include "repair/thread_links.h"

#include "tests/test_support.h"

namespace vendrit {
namespace {

class ThreadLinksTest : public RootTest {
 protected:
  // Thread 123's log after the links of board news followed it from bbs.x to newbbs.x.
  std::string rewrite(const std::string& before) {
    write_tree("log\\news", {"123.dat=" + before});
    EXPECT_EQ(rewrite_thread_links(run_, "log\\news", "123.idx", "news", "bbs.x/", "newbbs.x/"), LinkRewrite::kRewritten);
    return read_file("log\\news\\123.dat");
  }
};

TEST_F(ThreadLinksTest, RewritesOnlyThisBoardsReadingAddresses) {
  const std::string nul(1, '\0');
  const std::pair<std::string, std::string> cases[] = {
      {"bbs.x/test/read.cgi/news/123/", "newbbs.x/test/read.cgi/news/123/"},
      {"bbs.x/test/read.cgi?bbs=news&key=123", "newbbs.x/test/read.cgi?bbs=news&key=123"},
      {"bbs.x/test/read.cgi?bbs=news4vip&key=1", "newbbs.x/test/read.cgi?bbs=news4vip&key=1"},  // own length only
      {"bbs.x/test/read.cgi/news4vip/1/", "bbs.x/test/read.cgi/news4vip/1/"},  // the path form ends in "/"
      {"bbs.x/test/read.cgi/other/1/", "bbs.x/test/read.cgi/other/1/"},
      {"bbs.x/index.html http://bbs.x/", "bbs.x/index.html http://bbs.x/"},
      {"a.bbs.x/test/read.cgi/news/1/", "a.newbbs.x/test/read.cgi/news/1/"},  // inside a longer host name
      {"bbs.x/bbs.x/test/read.cgi/news/1/", "bbs.x/newbbs.x/test/read.cgi/news/1/"},  // no overlaps
      {"newbbs.x/test/read.cgi/news/2/", "newbbs.x/test/read.cgi/news/2/"},  // already moved by a cut-short run
      {"a bbs.x/test/read.cgi/ne", "a bbs.x/test/read.cgi/ne"},  // cut by the end of the log
      // Every byte after a NUL is carried and searched.
      {"1<>" + nul + "\xFF bbs.x/test/read.cgi/news/9/\r\n" + nul, "1<>" + nul + "\xFF newbbs.x/test/read.cgi/news/9/\r\n" + nul},
  };
  for (const auto& c : cases) EXPECT_EQ(rewrite(c.first), c.second) << c.first;
  EXPECT_EQ(ui_->output, "");
}

// A log whose size cannot be told at first is measured again.
TEST_F(ThreadLinksTest, LogLargerThanMeasured) {
  const std::string pad(200, 'c');
  use_small_work_buffer();
  fault_.fail_nth(FaultOp::kStat, 1);
  EXPECT_EQ(rewrite(pad + "bbs.x/test/read.cgi/news/1/"), pad + "newbbs.x/test/read.cgi/news/1/");
}

}  // namespace
}  // namespace vendrit
