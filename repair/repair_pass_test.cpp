#include "repair/repair_pass.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "state/run_settings.h"
#include "catalogue/catalogue.h"
#include "platform/env.h"
#include "repair/favourites_stream.h"
#include "tests/test_support.h"
#include "vendrit_config.h"

namespace vendrit {
namespace {

const char kHeader[] = "\r\n書き換え中 BBS:";
const char kCannotOpen[] = "を開けませんでした。スキップします";
const char kCannotWrite[] = "を書けませんでした。このファイルはスキップします。";

const std::string kFam = std::string("news9") + kMainSuffix;
const std::string kFamOld = std::string("news1") + kMainSuffix;
const std::string kSister = std::string("talk") + kSisterSuffix;
const std::string kForeign = "www.foreign.jp";

struct Idx {
  int flags = 0;
  std::string title = "スレ";
  std::string host;
  std::string board = "news";
  std::string board_name = "旧板名";
  std::string field21;  // not empty: a rewrite would visibly drop it
};

// A thread index file; with field 21 empty it is exactly what the writer
// produces, so expected files are built the same way.
std::string idx_text(const Idx& i) {
  return "5\t" + std::to_string(i.flags) + "\t7\t" + i.title + "\t" + i.host + "\t" + i.board +
         "\tf7\t8\t9\t10\tf11\tf12\t" + i.board_name + "\t14\tf15\tf16\t17\tf18\tf19\tf20\t" +
         i.field21 + "\r\nLast-Modified: Sat, 01 Jan 2000 00:00:00 GMT\r\n";
}

// A thread log with a reading address of `board` and a link to another page
// of the same host; after a rewrite the two prefixes differ.
std::string link_log(const std::string& prefix, const std::string& other_prefix = "",
                     const std::string& board = "news") {
  return "a<>b<>c<>http://" + prefix + "test/read.cgi/" + board + "/12/ http://" +
         (other_prefix.empty() ? prefix : other_prefix) + "index.html<>\r\n";
}

// Field `n` (1-based) of line 1.
std::string field(const std::string& text, int n) {
  size_t start = 0;
  for (int i = 1; i < n; ++i) start = text.find('\t', start) + 1;
  return text.substr(start, text.find_first_of("\t\r", start) - start);
}

int count_of(const std::string& text, const std::string& word) {
  int n = 0;
  for (size_t at = 0; (at = text.find(word, at)) != std::string::npos; at += word.size()) ++n;
  return n;
}

class RepairPassTest : public RootTest {
 protected:
  void put(const std::string& dir, const std::string& name, const Idx& idx,
           const std::string* log = nullptr) {
    make_dirs(dir);
    write_file(dir + "\\" + name, idx_text(idx));
    if (log) write_file(dir + "\\" + name.substr(0, name.size() - 4) + ".dat", *log);
  }
};

// One row of what happens to a usable, not excluded thread index file.
TEST_F(RepairPassTest, SummaryTable) {
  const struct Row {
    const char* what;
    std::string server, host;
    int changelink, changebbs, foreign;
    bool written;
    std::string want_host, want_board_name;
    std::string link_from, link_to;  // empty link_to: the log stays
  } rows[] = {
      {"family, host matches", kFam, kFam, 1, 0, 0, false, kFam, "旧板名", kFam + "/", ""},
      {"family, host matches, changebbs", kFam, kFam, 1, 1, 0, true, kFam, "新板名", kFam + "/", ""},
      {"family, host differs", kFam, kFamOld, 1, 0, 0, true, kFam, "旧板名", kFamOld + "/", kFam + "/"},
      {"family, host differs, changelink off", kFam, kFamOld, 0, 0, 0, true, kFam, "旧板名",
       kFamOld + "/", ""},
      {"family, host differs, changebbs", kFam, kFamOld, 1, 1, 0, true, kFam, "新板名",
       kFamOld + "/", kFam + "/"},
      {"sister, board not listed", kSister, "talk2" + std::string(kSisterSuffix), 1, 1, 0, true,
       kSister, "旧板名", "talk2" + std::string(kSisterSuffix) + "/", kSister + "/"},
      {"family, host differs only in case", kFam, "NEWS9" + std::string(kMainSuffix), 1, 0, 0, true,
       kFam, "旧板名", "NEWS9" + std::string(kMainSuffix) + "/", kFam + "/"},
      {"family, empty host", kFam, "", 1, 0, 0, true, kFam, "旧板名", "/", ""},
      {"other, no slash in host", kForeign, kForeign + "_dir", 0, 0, 1, true, kForeign + "/dir",
       "旧板名", kForeign + "/", kForeign + "/dir/"},
      {"other, underscore in server", "a_b.jp", "a_b.jp/x", 0, 0, 1, true, "a/b.jp/x", "旧板名",
       "a_b.jp/", "a/b.jp/x/"},
      {"other, slash in host", kForeign, kForeign + "/dir", 1, 0, 1, false, kForeign + "/dir",
       "旧板名", kForeign + "/", ""},
      {"other, foreign flag off", kForeign, kForeign + "_dir", 1, 0, 0, false, kForeign + "_dir",
       "旧板名", kForeign + "/", ""},
      {"other, changebbs", kForeign, kForeign + "_dir", 1, 1, 0, true, kForeign + "_dir", "旧板名",
       kForeign + "/", ""},
  };
  add_board(kFam.c_str(), "news", "新板名");
  add_board(kForeign.c_str(), "news", "外部板名");
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    std::string root = "r" + std::to_string(i++) + "\\log";
    std::string dir = root + "\\" + r.server + "\\news";
    Idx before;
    before.flags = 0x18;
    before.host = r.host;
    before.field21 = "keep";
    const std::string log = link_log(r.link_from);
    put(dir, "1.idx", before, &log);
    g_settings.changelink = r.changelink;
    g_settings.changebbs = r.changebbs;
    g_foreign_server = r.foreign;
    ui_->output.clear();

    repair_pass(root.c_str());

    Idx after = before;
    after.flags = 0x08;
    after.host = r.want_host;
    after.board_name = r.want_board_name;
    after.field21 = "";
    EXPECT_EQ(read_file(dir + "\\1.idx"), idx_text(r.written ? after : before));
    EXPECT_EQ(ui_->output, r.written ? std::string(kHeader) + "news" : "");
    EXPECT_EQ(read_file(dir + "\\1.dat"), r.link_to.empty() ? log : link_log(r.link_to, r.link_from));
  }
}

TEST_F(RepairPassTest, HeaderOncePerDirectoryBeforeItsFirstWrite) {
  Idx moved, settled;
  moved.host = kFamOld;
  settled.host = kFam;
  settled.field21 = "keep";
  put("log\\" + kFam + "\\news", "1.idx", settled);
  put("log\\" + kFam + "\\news", "2.idx", moved);
  put("log\\" + kFam + "\\news", "3.idx", moved);
  put("log\\" + kFam + "\\news", "4.idx", settled);
  put("log\\" + kFam + "\\quiet", "5.idx", settled);
  settled.board = "live";
  put("log\\" + kSister + "\\live", "6.idx", settled);
  put("log\\" + kSister + "\\live", "7.idx", moved);
  g_settings.changelink = 0;
  repair_pass("log");
  EXPECT_EQ(count_of(ui_->output, kHeader), 2) << ui_->output;
  EXPECT_EQ(count_of(ui_->output, std::string(kHeader) + "news"), 1);
  EXPECT_EQ(count_of(ui_->output, std::string(kHeader) + "live"), 1);
  settled.board = "news";
  EXPECT_EQ(read_file("log\\" + kFam + "\\news\\1.idx"), idx_text(settled));  // not rewritten
}

TEST_F(RepairPassTest, FlagsAreMaskedWith0xEF) {
  const struct {
    int before, after;
  } cases[] = {{0x10, 0x00}, {0x18, 0x08}, {0x70, 0x60}, {0x0F, 0x0F},
               {0x110, 0x00}, {0x1FF, 0xEF}, {-1, 0xEF}, {0x40, 0x40}};
  g_settings.changebbs = 1;
  const std::string dir = "log\\" + kFam + "\\news";
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    Idx idx;
    idx.host = kFam;
    idx.flags = cases[i].before;
    put(dir, std::to_string(i) + ".idx", idx);
  }
  repair_pass("log");
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    EXPECT_EQ(field(read_file(dir + "\\" + std::to_string(i) + ".idx"), 2),
              std::to_string(cases[i].after))
        << "flags " << cases[i].before;
  }
}

TEST_F(RepairPassTest, FavouritesLinesForQualifyingFlagsInWalkOrder) {
  const std::string regional = std::string("town") + kRegionalSuffix;
  const struct {
    std::string server, board, name;
    int flags;
    std::string board_field;
    bool listed;
  } threads[] = {
      {kFam, "news", "1.idx", 0x70, "news", true},      // 0x60 once the dropped flag is gone
      {kFam, "news", "2.idx", 0x60, "news", true},
      {kFam, "news", "3.idx", 0x61, "news", false},     // whole-value comparison
      {kFam, "news", "4.idx", 0x50, "news", false},     // 0x40 needs a regional or rental board
      {kFam, "live", "5.idx", 0x60, "live", true},
      {regional, "area", "6.idx", 0x50, "area", true},
      {kRentalHost1, "game", "7.idx", 0x50, "game7", true},  // the line takes the board id field
      {kRentalHost2, "b", "8.idx", 0x40, "b", true},
      {kRentalHost2, "b", "9.idx", 0x70 | 0x100, "b", true},  // bits from 0x100 up go too
      {kRentalHost2, "b", "10.idx", 0x160, "b", true},
  };
  int t = 0;
  for (const auto& th : threads) {
    Idx idx;
    idx.host = th.server;
    idx.flags = th.flags;
    idx.board = th.board_field;
    idx.title = "title" + std::to_string(++t);
    put("log\\" + th.server + "\\" + th.board, th.name, idx);
  }
  g_favourites_rebuild = 1;
  ASSERT_TRUE(favourites_stream_open());
  repair_pass("log");
  ASSERT_TRUE(favourites_stream_close());

  // Expected order: the file system's listing order at every level, each
  // directory walked completely where it is listed.
  std::string want, want_output;
  std::vector<std::string> servers, boards, names;
  auto list = [](const std::string& dir) {
    std::vector<std::string> out;
    auto listing = env()->list_dir(dir.c_str());
    DirEntry e;
    while (listing && listing->next(&e)) {
      if (e.name != "." && e.name != "..") out.push_back(e.name);
    }
    return out;
  };
  for (const std::string& s : list("log")) {
    for (const std::string& b : list("log\\" + s)) {
      for (const std::string& n : list("log\\" + s + "\\" + b)) {
        for (size_t i = 0; i < sizeof threads / sizeof threads[0]; ++i) {
          const auto& th = threads[i];
          if (th.server != s || th.board != b || th.name != n || !th.listed) continue;
          want += th.server + "\\" + th.board_field + "\\" + th.name + "\r\n";
          want_output += "\r\n「title" + std::to_string(i + 1) + "」を登録します";
        }
      }
    }
  }
  EXPECT_EQ(read_file("favorite.idx"), want);
  std::string registered;
  for (size_t at = 0; (at = ui_->output.find("\r\n「", at)) != std::string::npos;) {
    size_t end = ui_->output.find("\r\n", at + 2);
    registered += ui_->output.substr(at, end == std::string::npos ? end : end - at);
    at += 2;
  }
  EXPECT_EQ(registered, want_output);
}

TEST_F(RepairPassTest, RebuildWithoutAnOpenStreamSkipsTheLinesOnly) {
  Idx idx;
  idx.host = kFam;
  idx.flags = 0x70;
  put("log\\" + kFam + "\\news", "1.idx", idx);
  g_favourites_rebuild = 1;
  repair_pass("log");
  EXPECT_EQ(ui_->output, std::string(kHeader) + "news");
  EXPECT_FALSE(file_exists("favorite.idx"));
  idx.flags = 0x60;
  EXPECT_EQ(read_file("log\\" + kFam + "\\news\\1.idx"), idx_text(idx));
}

TEST_F(RepairPassTest, ExcludedBoardsAreLeftAloneAndMarkTheirEntry) {
  Idx moved;
  moved.host = kFamOld;
  moved.field21 = "keep";
  const std::string log = link_log(kFamOld + "/");
  put("log\\" + kFam + "\\news", "1.idx", moved, &log);
  put("log\\" + kFam + "\\live", "2.idx", moved, &log);
  put("log\\" + kSister + "\\talk", "3.idx", moved, &log);
  add_exclusion(kFam.c_str(), "*");
  add_exclusion(kSister.c_str(), "other");
  g_settings.changebbs = 1;
  g_favourites_rebuild = 1;
  repair_pass("log");
  EXPECT_EQ(read_file("log\\" + kFam + "\\news\\1.idx"), idx_text(moved));
  EXPECT_EQ(read_file("log\\" + kFam + "\\live\\2.idx"), idx_text(moved));
  EXPECT_EQ(read_file("log\\" + kFam + "\\news\\1.dat"), log);
  EXPECT_EQ(g_exclusions[0].number, 1);
  EXPECT_EQ(g_exclusions[1].number, 0);
  EXPECT_EQ(ui_->output, std::string(kHeader) + "talk");
  EXPECT_NE(read_file("log\\" + kSister + "\\talk\\3.idx"), idx_text(moved));
}

TEST_F(RepairPassTest, IndexNamesAreMatchedAndShownLowerCase) {
  std::string upper_server = kFam;
  for (char& c : upper_server) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  const std::string dir = "log\\" + upper_server + "\\News";
  Idx moved;
  moved.host = kFamOld;
  moved.flags = 0x60;
  const std::string log = link_log(kFamOld + "/");
  put(dir, "X.IDX", moved);
  write_file(dir + "\\X.DAT", log);  // found under its own spelling
  put(dir, "y.idx.bak", moved);
  write_file(dir + "\\y.idx.dat", log);
  put(dir, "z.txt", moved);
  g_favourites_rebuild = 1;
  ASSERT_TRUE(favourites_stream_open());
  repair_pass("log");
  favourites_stream_close();

  Idx fixed = moved;
  fixed.host = kFam;  // the lower-cased directory name
  EXPECT_EQ(read_file(dir + "\\X.IDX"), idx_text(fixed));
  EXPECT_EQ(read_file(dir + "\\y.idx.bak"), idx_text(fixed));
  EXPECT_EQ(read_file(dir + "\\z.txt"), idx_text(moved));
  EXPECT_EQ(read_file(dir + "\\X.DAT"), link_log(kFam + "/", kFamOld + "/"));
  EXPECT_EQ(read_file(dir + "\\y.idx.dat"), link_log(kFam + "/", kFamOld + "/"));
  std::string fav = read_file("favorite.idx");
  EXPECT_NE(fav.find(kFam + "\\news\\x.idx\r\n"), std::string::npos) << fav;
  EXPECT_NE(fav.find(kFam + "\\news\\y.idx.bak\r\n"), std::string::npos) << fav;
  EXPECT_EQ(count_of(ui_->output, std::string(kHeader) + "news"), 1);
  // No second file appeared beside the listed ones.
  EXPECT_EQ(snapshot_tree(dir).size(), 5u);
}

// Board directories named with double-byte characters whose second byte is
// a backslash (表, ソ) or a capital letter (ア) are repaired like any other.
TEST_F(RepairPassTest, ShiftJisBoardNames) {
  for (const std::string board : {"\x95\x5c", "\x83\x5c", "\x83\x41"}) {
    SCOPED_TRACE(board);
    const std::string dir = "log\\" + kFam + "\\" + board;
    Idx moved;
    moved.host = kFamOld;
    moved.board = board;
    const std::string log = link_log(kFamOld + "/", "", board);
    put(dir, "1.idx", moved, &log);
    repair_pass("log");
    Idx fixed = moved;
    fixed.host = kFam;
    EXPECT_EQ(read_file(dir + "\\1.idx"), idx_text(fixed));
    EXPECT_EQ(read_file(dir + "\\1.dat"), link_log(kFam + "/", kFamOld + "/", board));
  }
}

TEST_F(RepairPassTest, IndexFilesOutsideBoardDirectoriesAreLeftAlone) {
  Idx moved;
  moved.host = kFamOld;
  moved.field21 = "keep";
  put("log", "1.idx", moved);
  put("log\\" + kFam, "2.idx", moved);
  put("log\\group\\" + kFam + "\\news", "3.idx", moved);
  put("log\\" + kFam + "\\news\\old", "4.idx", moved);
  g_settings.changebbs = 1;
  g_foreign_server = 1;
  repair_pass("log");
  EXPECT_EQ(read_file("log\\1.idx"), idx_text(moved));
  EXPECT_EQ(read_file("log\\" + kFam + "\\2.idx"), idx_text(moved));
  EXPECT_EQ(read_file("log\\group\\" + kFam + "\\news\\3.idx"), idx_text(moved));
  EXPECT_EQ(read_file("log\\" + kFam + "\\news\\old\\4.idx"), idx_text(moved));
  EXPECT_EQ(ui_->output, "");
}

TEST_F(RepairPassTest, UnusableIndexIsReportedAndKept) {
  const std::string dir = "log\\" + kFam + "\\news";
  make_dirs(dir);
  const std::string bad = "1\t2\t3\r\n";
  write_file(dir + "\\1.idx", bad);
  write_file(dir + "\\2.idx", "");
  g_settings.changebbs = 1;
  repair_pass("log");
  EXPECT_EQ(count_of(ui_->output, kCannotOpen), 2);
  EXPECT_NE(ui_->output.find("\r\nFile:" + dir + "\\1.idx" + kCannotOpen), std::string::npos);
  EXPECT_EQ(read_file(dir + "\\1.idx"), bad);
  EXPECT_EQ(read_file(dir + "\\2.idx"), "");
}

TEST_F(RepairPassTest, IndexThatCannotBeWrittenKeepsItsLogToo) {
  const std::string dir = "log\\" + kFam + "\\news";
  Idx moved;
  moved.host = kFamOld;
  const std::string log = link_log(kFamOld + "/");
  put(dir, "1.idx", moved, &log);
  fault_.lock_file(dir + "\\1.idx");
  repair_pass("log");
  fault_.reset();
  EXPECT_EQ(ui_->output, std::string(kHeader) + "news" + "\r\nFile:" + dir + "\\1.idx" + kCannotWrite);
  EXPECT_EQ(read_file(dir + "\\1.idx"), idx_text(moved));
  EXPECT_EQ(read_file(dir + "\\1.dat"), log);
}

TEST_F(RepairPassTest, LogThatCannotBeRewrittenIsRetriedByTheNextRun) {
  const std::string dir = "log\\" + kFam + "\\news";
  Idx moved;
  moved.host = kFamOld;
  moved.flags = 0x10;
  const std::string log = link_log(kFamOld + "/");
  put(dir, "1.idx", moved, &log);
  fault_.lock_file(dir + "\\1.dat");
  repair_pass("log");
  fault_.reset();
  EXPECT_EQ(ui_->output, std::string(kHeader) + "news" + "\r\nFile:" + dir + "\\1.dat" + kCannotWrite);
  // The index still names the old host, so the thread is not forgotten.
  EXPECT_EQ(read_file(dir + "\\1.idx"), idx_text(moved));
  EXPECT_EQ(read_file(dir + "\\1.dat"), log);

  ui_->output.clear();
  repair_pass("log");
  Idx fixed = moved;
  fixed.host = kFam;
  fixed.flags = 0;
  EXPECT_EQ(read_file(dir + "\\1.idx"), idx_text(fixed));
  EXPECT_EQ(read_file(dir + "\\1.dat"), link_log(kFam + "/", kFamOld + "/"));
  EXPECT_EQ(ui_->output, std::string(kHeader) + "news");
}

TEST_F(RepairPassTest, MissingLogDoesNotHoldBackTheIndex) {
  const std::string dir = "log\\" + kFam + "\\news";
  Idx moved;
  moved.host = kFamOld;
  put(dir, "1.idx", moved);
  repair_pass("log");
  Idx fixed = moved;
  fixed.host = kFam;
  EXPECT_EQ(read_file(dir + "\\1.idx"), idx_text(fixed));
  EXPECT_EQ(ui_->output, std::string(kHeader) + "news" + "\r\nFile:" + dir +
                             "\\1.datを読み込めませんでした。このファイルはスキップします。");
  EXPECT_FALSE(file_exists(dir + "\\1.dat"));
}

// The tree of the fault tests, under `root`: every kind of repair once.
}  // namespace
}  // namespace vendrit
