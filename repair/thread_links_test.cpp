#include "repair/thread_links.h"

#include <cstdlib>
#include <string>

#include "state/work_buffer.h"
#include "tests/test_support.h"

namespace vendrit {
namespace {

// Refuses to open one path for writing, like a read-only or locked file.

const char kCannotRead[] = "を読み込めませんでした。このファイルはスキップします。";
const char kCannotWrite[] = "を書けませんでした。このファイルはスキップします。";

class ThreadLinksTest : public RootTest {
 protected:
  void SetUp() override {
    RootTest::SetUp();
    make_dirs("log\\new\\news");
  }

  LinkRewrite rewrite(const char* board = "news") {
    return rewrite_thread_links("log\\new\\news", "123.idx", board, "oldhost/", "newhost/");
  }

  // Replaces the work buffer by a small one, so that ordinary logs outgrow it.
  void use_small_work_buffer(size_t size) {
    work_buffer_free();
    g_work.data = static_cast<char*>(malloc(size));
    g_work.size = size;
  }
};

TEST_F(ThreadLinksTest, RewritesOnlyThisBoardsReadingAddresses) {
  const struct {
    const char* board;
    const char* before;
    const char* after;
  } cases[] = {
      {"news", "oldhost/test/read.cgi/news/123/", "newhost/test/read.cgi/news/123/"},
      {"news", "oldhost/test/read.cgi?bbs=news&key=123", "newhost/test/read.cgi?bbs=news&key=123"},
      // The parameter form is compared over its own length only.
      {"news", "oldhost/test/read.cgi?bbs=news4vip&key=1", "newhost/test/read.cgi?bbs=news4vip&key=1"},
      // The path form ends in "/": another board whose id begins alike stays.
      {"news", "oldhost/test/read.cgi/news4vip/1/", "oldhost/test/read.cgi/news4vip/1/"},
      {"news", "oldhost/test/read.cgi/other/1/", "oldhost/test/read.cgi/other/1/"},
      {"news", "oldhost/index.html", "oldhost/index.html"},
      {"news", "http://oldhost/", "http://oldhost/"},
      // The prefix is found inside a longer host name too.
      {"news", "x.oldhost/test/read.cgi/news/1/", "x.newhost/test/read.cgi/news/1/"},
      {"news",
       "<a href=\"http://oldhost/test/read.cgi/news/1/\">a</a> oldhost/x oldhost/test/read.cgi/news/2/\r\n",
       "<a href=\"http://newhost/test/read.cgi/news/1/\">a</a> oldhost/x newhost/test/read.cgi/news/2/\r\n"},
      // Occurrences never overlap: the search goes on after each prefix.
      {"news", "oldhost/oldhost/test/read.cgi/news/1/", "oldhost/newhost/test/read.cgi/news/1/"},
      // A query cut by the end of the log does not qualify.
      {"news", "a oldhost/test/read.cgi/ne", "a oldhost/test/read.cgi/ne"},
  };
  for (const auto& c : cases) {
    write_file("log\\new\\news\\123.dat", c.before);
    EXPECT_EQ(rewrite(c.board), LinkRewrite::kRewritten) << c.before;
    EXPECT_EQ(read_file("log\\new\\news\\123.dat"), c.after) << c.before;
  }
  EXPECT_EQ(ui_->output, "");
}

TEST_F(ThreadLinksTest, CarriesEveryByteAfterANul) {
  const char bytes[] = "1<>\0\xFF oldhost/test/read.cgi/news/9/\r\n\0tail oldhost/test/read.cgi/news/8/";
  std::string log(bytes, sizeof bytes - 1);
  std::string want = log;
  for (size_t at; (at = want.find("oldhost/")) != std::string::npos;) want.replace(at, 8, "newhost/");
  write_file("log\\new\\news\\123.dat", log);
  EXPECT_EQ(rewrite(), LinkRewrite::kRewritten);
  EXPECT_EQ(read_file("log\\new\\news\\123.dat"), want);
}

TEST_F(ThreadLinksTest, LinkAlreadyOnANewHostThatEndsWithTheOldOneStays) {
  const std::string log = "bbs.x/test/read.cgi/news/1/ newbbs.x/test/read.cgi/news/2/";
  const std::string want = "newbbs.x/test/read.cgi/news/1/ newbbs.x/test/read.cgi/news/2/";
  write_file("log\\new\\news\\123.dat", log);
  rewrite_thread_links("log\\new\\news", "123.idx", "news", "bbs.x/", "newbbs.x/");
  EXPECT_EQ(read_file("log\\new\\news\\123.dat"), want);
  // So a second rewrite, after a run that stopped before the index was
  // written, changes nothing.
  rewrite_thread_links("log\\new\\news", "123.idx", "news", "bbs.x/", "newbbs.x/");
  EXPECT_EQ(read_file("log\\new\\news\\123.dat"), want);
}

TEST_F(ThreadLinksTest, LogWithoutOccurrencesKeepsItsBytes) {
  std::string log = "name<>mail<>date<>body http://elsewhere/test/read.cgi/news/1/\r\n\n\r";
  write_file("log\\new\\news\\123.dat", log);
  EXPECT_EQ(rewrite(), LinkRewrite::kRewritten);
  EXPECT_EQ(read_file("log\\new\\news\\123.dat"), log);
  EXPECT_EQ(snapshot_tree("log\\new\\news").size(), 1u);  // no temporary file left
}

TEST_F(ThreadLinksTest, MissingLogIsReportedAndNotCreated) {
  EXPECT_EQ(rewrite(), LinkRewrite::kLogMissing);
  EXPECT_EQ(ui_->output, std::string("\r\nFile:log\\new\\news\\123.dat") + kCannotRead);
  EXPECT_FALSE(file_exists("log\\new\\news\\123.dat"));
}

TEST_F(ThreadLinksTest, LogThatCannotBeWrittenStaysAsItWas) {
  fault_.lock_file("log\\new\\news\\123.dat");
  write_file("log\\new\\news\\123.dat", "oldhost/test/read.cgi/news/1/");
  EXPECT_EQ(rewrite(), LinkRewrite::kFailed);
  fault_.reset();
  EXPECT_EQ(ui_->output, std::string("\r\nFile:log\\new\\news\\123.dat") + kCannotWrite);
  EXPECT_EQ(read_file("log\\new\\news\\123.dat"), "oldhost/test/read.cgi/news/1/");
}

TEST_F(ThreadLinksTest, WorkBufferGrowsToTheLogSizePlusOneAndIsReused) {
  use_small_work_buffer(16);
  std::string big(100, 'a');
  big += "oldhost/test/read.cgi/news/1/";
  write_file("log\\new\\news\\123.dat", big);
  EXPECT_EQ(rewrite(), LinkRewrite::kRewritten);
  EXPECT_EQ(g_work.size, big.size() + 1);
  EXPECT_EQ(read_file("log\\new\\news\\123.dat"), std::string(100, 'a') + "newhost/test/read.cgi/news/1/");

  write_file("log\\new\\news\\123.dat", "oldhost/test/read.cgi/news/2/");
  EXPECT_EQ(rewrite(), LinkRewrite::kRewritten);
  EXPECT_EQ(g_work.size, big.size() + 1);  // never shrinks
  EXPECT_EQ(read_file("log\\new\\news\\123.dat"), "newhost/test/read.cgi/news/2/");
}

TEST_F(ThreadLinksTest, FailedGrowthSkipsTheLogAndKeepsTheBuffer) {
  use_small_work_buffer(16);
  char* block = g_work.data;
  std::string big(100, 'b');
  write_file("log\\new\\news\\123.dat", big);
  work_buffer_fail_next_growths(1);
  EXPECT_EQ(rewrite(), LinkRewrite::kFailed);
  EXPECT_EQ(ui_->output, std::string("\r\nFile:log\\new\\news\\123.dat") + kCannotRead);
  EXPECT_EQ(g_work.data, block);
  EXPECT_EQ(g_work.size, 16u);
  EXPECT_EQ(read_file("log\\new\\news\\123.dat"), big);
}

TEST_F(ThreadLinksTest, LogLargerThanMeasuredIsMeasuredAgain) {
  // The size of the open file cannot be told once (taken as 0), as if the
  // log grew after it was measured.
  use_small_work_buffer(16);
  std::string log = std::string(200, 'c') + "oldhost/test/read.cgi/news/1/";
  write_file("log\\new\\news\\123.dat", log);
  fault_.fail_nth(FaultOp::kStat, 1);
  EXPECT_EQ(rewrite(), LinkRewrite::kRewritten);
  EXPECT_EQ(read_file("log\\new\\news\\123.dat"), std::string(200, 'c') + "newhost/test/read.cgi/news/1/");
  EXPECT_EQ(g_work.size, log.size() + 1);
}

TEST_F(ThreadLinksTest, LogThatNeverFitsIsSkippedUntouched) {
  use_small_work_buffer(16);
  std::string log = std::string(200, 'd') + "oldhost/test/read.cgi/news/1/";
  write_file("log\\new\\news\\123.dat", log);
  fault_.fail_from(FaultOp::kStat, 1);
  EXPECT_EQ(rewrite(), LinkRewrite::kFailed);
  EXPECT_EQ(ui_->output, std::string("\r\nFile:log\\new\\news\\123.dat") + kCannotRead);
  EXPECT_EQ(read_file("log\\new\\news\\123.dat"), log);
  EXPECT_EQ(g_work.size, 16u);
}

}  // namespace
}  // namespace vendrit
