#include "repair/thread_links.h"

#include <string>

#include "state/work_buffer.h"
#include "tests/test_support.h"

namespace vendrit {
namespace {

const char kLog[] = "log\\new\\news\\123.dat";

class ThreadLinksTest : public RootTest {
 protected:
  void SetUp() override {
    RootTest::SetUp();
    make_dirs("log\\new\\news");
  }
  LinkRewrite rewrite(const char* from = "oldhost/", const char* to = "newhost/") {
    return rewrite_thread_links("log\\new\\news", "123.idx", "news", from, to);
  }
};

TEST_F(ThreadLinksTest, RewritesOnlyThisBoardsReadingAddresses) {
  const std::string nul(1, '\0');
  const std::pair<std::string, std::string> cases[] = {
      {"oldhost/test/read.cgi/news/123/", "newhost/test/read.cgi/news/123/"},
      {"oldhost/test/read.cgi?bbs=news&key=123", "newhost/test/read.cgi?bbs=news&key=123"},
      // The parameter form is compared over its own length only.
      {"oldhost/test/read.cgi?bbs=news4vip&key=1", "newhost/test/read.cgi?bbs=news4vip&key=1"},
      // The path form ends in "/": another board whose id begins alike stays.
      {"oldhost/test/read.cgi/news4vip/1/", "oldhost/test/read.cgi/news4vip/1/"},
      {"oldhost/test/read.cgi/other/1/", "oldhost/test/read.cgi/other/1/"},
      {"oldhost/index.html http://oldhost/", "oldhost/index.html http://oldhost/"},
      // The prefix is found inside a longer host name too.
      {"x.oldhost/test/read.cgi/news/1/", "x.newhost/test/read.cgi/news/1/"},
      // Occurrences never overlap: the search goes on after each prefix.
      {"oldhost/oldhost/test/read.cgi/news/1/", "oldhost/newhost/test/read.cgi/news/1/"},
      // A query cut by the end of the log does not qualify.
      {"a oldhost/test/read.cgi/ne", "a oldhost/test/read.cgi/ne"},
      // Every byte after a NUL is carried and searched.
      {"1<>" + nul + "\xFF oldhost/test/read.cgi/news/9/\r\n" + nul + "t oldhost/test/read.cgi/news/8/",
       "1<>" + nul + "\xFF newhost/test/read.cgi/news/9/\r\n" + nul + "t newhost/test/read.cgi/news/8/"},
  };
  for (const auto& c : cases) {
    write_file(kLog, c.first);
    EXPECT_EQ(rewrite(), LinkRewrite::kRewritten) << c.first;
    EXPECT_EQ(read_file(kLog), c.second) << c.first;
  }
  EXPECT_EQ(ui_->output, "");
}

TEST_F(ThreadLinksTest, LinkAlreadyOnANewHostThatEndsWithTheOldOneStays) {
  const std::string want = "newbbs.x/test/read.cgi/news/1/ newbbs.x/test/read.cgi/news/2/";
  write_file(kLog, "bbs.x/test/read.cgi/news/1/ newbbs.x/test/read.cgi/news/2/");
  rewrite("bbs.x/", "newbbs.x/");
  EXPECT_EQ(read_file(kLog), want);
  // So a second rewrite, after a run that stopped before the index was
  // written, changes nothing.
  rewrite("bbs.x/", "newbbs.x/");
  EXPECT_EQ(read_file(kLog), want);
}

// The open log's size cannot be told once (as if it grew after it was
// measured): it is measured again.  When it never can, it is skipped.
TEST_F(ThreadLinksTest, LogLargerThanMeasured) {
  use_small_work_buffer();
  const std::string log = std::string(200, 'c') + "oldhost/test/read.cgi/news/1/";
  write_file(kLog, log);
  fault_.fail_nth(FaultOp::kStat, 1);
  EXPECT_EQ(rewrite(), LinkRewrite::kRewritten);
  EXPECT_EQ(read_file(kLog), std::string(200, 'c') + "newhost/test/read.cgi/news/1/");
  EXPECT_EQ(g_work.size, log.size() + 1);

  use_small_work_buffer();
  write_file(kLog, log);
  fault_.fail_from(FaultOp::kStat, 1);
  EXPECT_EQ(rewrite(), LinkRewrite::kFailed);
  EXPECT_EQ(ui_->output, std::string("\r\nFile:") + kLog + "を読み込めませんでした。このファイルはスキップします。");
  EXPECT_EQ(read_file(kLog), log);
  EXPECT_EQ(g_work.size, 16u);
}

}  // namespace
}  // namespace vendrit
