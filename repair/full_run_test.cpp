// A whole run of the program, in process: start-up reads the reader's files,
// the run moves the boards that changed server and then repairs every thread
// index file, its thread log and the favourites list.
#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/run_sequence.h"
#include "state/run_settings.h"
#include "app/startup.h"
#include "state/work_buffer.h"
#include "report/progress_log.h"
#include "tests/test_support.h"
#include "vendrit_config.h"

namespace vendrit {
namespace {

const std::string kNews5 = std::string("news5") + kMainSuffix;
const std::string kNews9 = std::string("news9") + kMainSuffix;
const std::string kPink = std::string("pink3") + kSisterSuffix;

std::string index_line(int flags, const std::string& title, const std::string& host,
                       const std::string& board) {
  return "1\t" + std::to_string(flags) + "\t0\t" + title + "\t" + host + "\t" + board +
         "\t\t0\t0\t0\t\t\t板\t0\t\t\t0\t\t\t\t\r\nLast-Modified: Sat, 01 Jan 2000 00:00:00 GMT\r\n";
}

std::string thread_log(const std::string& host, const std::string& board) {
  return "名無し<>sage<>2000/01/01<> http://" + host + "/test/read.cgi/" + board +
         "/1/ を見て http://" + host + "/" + board + "/ <>タイトル\r\n";
}

// Every file below `dir` as "path=content", directories as "path/".
std::vector<std::string> tree(const std::string& dir) { return snapshot_tree(dir); }

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  for (size_t at = 0, end; at < text.size(); at = end + 2) {
    end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    out.push_back(text.substr(at, end - at));
  }
  std::sort(out.begin(), out.end());
  return out;
}

class FullRunTest : public RootTest {
 protected:
  void SetUp() override {
    RootTest::SetUp();
    // Start-up allocates these itself.
    work_buffer_free();
    copy_data_block_free();
    write_file("2channel.brd", "ニュース\t0\r\n\t" + kNews9 + "\tnews\tニュース速報\r\n\t" + kNews9 +
                                   "\tlive\t実況\r\n\t" + kPink + "\tpinkqa\t質問\r\n");
    write_file("vendrit.ini", "[vendrit]\r\nchangelink=1\r\nchangebbs=0\r\n");
    // news has moved from news5 to news9; live stayed on news9, but its
    // threads still name the server it had before; pinkqa is in order.
    make_dirs("log\\" + kNews5 + "\\news");
    write_file("log\\" + kNews5 + "\\news\\100.idx", index_line(0x70, "移転スレ", kNews5, "news"));
    write_file("log\\" + kNews5 + "\\news\\100.dat", thread_log(kNews5, "news"));
    make_dirs("log\\" + kNews9 + "\\live");
    write_file("log\\" + kNews9 + "\\live\\200.idx", index_line(0x10, "実況スレ", kNews5, "live"));
    write_file("log\\" + kNews9 + "\\live\\200.dat", thread_log(kNews5, "live"));
    make_dirs("log\\" + kPink + "\\pinkqa");
    write_file("log\\" + kPink + "\\pinkqa\\300.idx", index_line(0x60, "質問スレ", kPink, "pinkqa"));
    write_file("log\\" + kPink + "\\pinkqa\\300.dat", thread_log(kPink, "pinkqa"));
  }

  // One start of the program with one run; `rebuild` is the per-run choice
  // of the settings dialog.
  void run_once(bool rebuild) {
    ui_->on_main_window = [rebuild] {
      g_favourites_rebuild = rebuild;
      run_sequence();
    };
    ui_->output.clear();
    ASSERT_EQ(vendrit_main("", ui_), 0) << ui_->output;
  }
};

TEST_F(FullRunTest, MovedBoardsAreRepairedAndASecondRunChangesNothing) {
  run_once(true);
  EXPECT_NE(ui_->output.find("\r\n終了しました"), std::string::npos);

  // Every index file names the server of its directory.
  const struct {
    std::string dir, name, board;
    int flags;
    std::string title;
  } threads[] = {
      {"log\\" + kNews9 + "\\news", "100", "news", 0x60, "移転スレ"},
      {"log\\" + kNews9 + "\\live", "200", "live", 0x00, "実況スレ"},
      {"log\\" + kPink + "\\pinkqa", "300", "pinkqa", 0x60, "質問スレ"},
  };
  for (const auto& t : threads) {
    std::string server = t.dir.substr(4, t.dir.rfind('\\') - 4);
    EXPECT_EQ(read_file(t.dir + "\\" + t.name + ".idx"), index_line(t.flags, t.title, server, t.board));
    // The reading addresses follow the host; the board's top page link does not.
    std::string want = thread_log(t.name == "300" ? kPink : kNews5, t.board);
    want.replace(want.find("http://") + 7, want.find("/test/") - want.find("http://") - 7, server);
    EXPECT_EQ(read_file(t.dir + "\\" + t.name + ".dat"), want) << t.dir;
  }
  EXPECT_FALSE(dir_exists("log\\" + kNews5 + "\\news"));
  EXPECT_EQ(lines_of(read_file("favorite.idx")),
            (std::vector<std::string>{kNews9 + "\\news\\100.idx", kPink + "\\pinkqa\\300.idx"}));
  EXPECT_NE(ui_->output.find("\r\n「移転スレ」を登録します"), std::string::npos);
  EXPECT_EQ(g_favourites_rebuild, 0);

  const std::vector<std::string> after_first = tree("log");
  const std::string favourites = read_file("favorite.idx");
  run_once(false);
  EXPECT_EQ(tree("log"), after_first);
  EXPECT_EQ(read_file("favorite.idx"), favourites);
  EXPECT_EQ(ui_->output.find("書き換え中"), std::string::npos) << ui_->output;
}

}  // namespace
}  // namespace vendrit
