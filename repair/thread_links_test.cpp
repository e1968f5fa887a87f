#include "repair/thread_links.h"

#include "tests/test_support.h"

namespace vendrit {
namespace {

const char kLog[] = "log\\new\\news\\123.dat";

class ThreadLinksTest : public RootTest {
 protected:
  std::string rewrite(const std::string& before, const char* from = "oldhost/", const char* to = "newhost/",
                      LinkRewrite want = LinkRewrite::kRewritten) {
    write_tree("log\\new\\news", {"123.dat=" + before});
    EXPECT_EQ(rewrite_thread_links(run_, "log\\new\\news", "123.idx", "news", from, to), want) << before;
    return read_file(kLog);
  }
};

TEST_F(ThreadLinksTest, RewritesOnlyThisBoardsReadingAddresses) {
  const std::string nul(1, '\0');
  const std::pair<std::string, std::string> cases[] = {
      {"oldhost/test/read.cgi/news/123/", "newhost/test/read.cgi/news/123/"},
      {"oldhost/test/read.cgi?bbs=news&key=123", "newhost/test/read.cgi?bbs=news&key=123"},
      {"oldhost/test/read.cgi?bbs=news4vip&key=1", "newhost/test/read.cgi?bbs=news4vip&key=1"},  // own length only
      {"oldhost/test/read.cgi/news4vip/1/", "oldhost/test/read.cgi/news4vip/1/"},  // the path form ends in "/"
      {"oldhost/test/read.cgi/other/1/", "oldhost/test/read.cgi/other/1/"},
      {"oldhost/index.html http://oldhost/", "oldhost/index.html http://oldhost/"},
      {"x.oldhost/test/read.cgi/news/1/", "x.newhost/test/read.cgi/news/1/"},  // inside a longer host name
      {"oldhost/oldhost/test/read.cgi/news/1/", "oldhost/newhost/test/read.cgi/news/1/"},  // no overlaps
      {"a oldhost/test/read.cgi/ne", "a oldhost/test/read.cgi/ne"},  // cut by the end of the log
      // Every byte after a NUL is carried and searched.
      {"1<>" + nul + "\xFF oldhost/test/read.cgi/news/9/\r\n" + nul + "t oldhost/test/read.cgi/news/8/",
       "1<>" + nul + "\xFF newhost/test/read.cgi/news/9/\r\n" + nul + "t newhost/test/read.cgi/news/8/"},
  };
  for (const auto& c : cases) EXPECT_EQ(rewrite(c.first), c.second) << c.first;
  EXPECT_EQ(ui_->output, "");
}

// A second rewrite, after a run that stopped before the index was written, changes nothing.
TEST_F(ThreadLinksTest, LinkAlreadyOnANewHostThatEndsWithTheOldOneStays) {
  const std::string want = "newbbs.x/test/read.cgi/news/1/ newbbs.x/test/read.cgi/news/2/";
  EXPECT_EQ(rewrite("bbs.x/test/read.cgi/news/1/ newbbs.x/test/read.cgi/news/2/", "bbs.x/", "newbbs.x/"), want);
  EXPECT_EQ(rewrite(want, "bbs.x/", "newbbs.x/"), want);
}

// A log whose size cannot be told once is measured again; when it never can, it is skipped.
TEST_F(ThreadLinksTest, LogLargerThanMeasured) {
  const std::string pad(200, 'c'), log = pad + "oldhost/test/read.cgi/news/1/";
  use_small_work_buffer();
  fault_.fail_nth(FaultOp::kStat, 1);
  EXPECT_EQ(rewrite(log), pad + "newhost/test/read.cgi/news/1/");
  EXPECT_EQ(work_.size, log.size() + 1);
  use_small_work_buffer();
  fault_.fail_from(FaultOp::kStat, 1);
  EXPECT_EQ(rewrite(log, "oldhost/", "newhost/", LinkRewrite::kFailed), log);
  EXPECT_EQ(ui_->output, std::string("\r\nFile:") + kLog + "を読み込めませんでした。このファイルはスキップします。");
  EXPECT_EQ(work_.size, 16u);
}

}  // namespace
}  // namespace vendrit
