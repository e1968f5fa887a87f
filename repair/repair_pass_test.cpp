#include "repair/repair_pass.h"

#include <filesystem>
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
const std::string kFam = std::string("news9") + kMainSuffix;
const std::string kFamOld = std::string("news1") + kMainSuffix;
const std::string kSister = std::string("talk") + kSisterSuffix;
const std::string kForeign = "www.foreign.jp";
const std::string kDir = "log\\" + kFam + "\\news";

int count_of(const std::string& text, const std::string& word) {
  int n = 0;
  for (size_t at = 0; (at = text.find(word, at)) != std::string::npos; at += word.size()) ++n;
  return n;
}

class RepairPassTest : public RootTest {
 protected:
  // An index file and, unless `log` is empty, its log.
  void put(const std::string& dir, const std::string& name, const Index& idx, const std::string& log = "") {
    make_dirs(dir);
    write_file(dir + "\\" + name, index_text(idx));
    if (!log.empty()) write_file(dir + "\\" + name.substr(0, name.size() - 4) + ".dat", log);
  }
};

// One row of what happens to a usable, not excluded thread index file.
TEST_F(RepairPassTest, SummaryTable) {
  const std::string sister2 = "talk2" + std::string(kSisterSuffix), caps = "NEWS9" + std::string(kMainSuffix);
  const struct Row {
    const char* what;
    std::string server, host;
    int changelink, changebbs, foreign;
    bool written;
    std::string want_host, want_board_name, link_from, link_to;  // empty link_to: the log stays
  } rows[] = {
      {"family, host matches", kFam, kFam, 1, 0, 0, false, kFam, "板", kFam, ""},
      {"family, host matches, changebbs", kFam, kFam, 1, 1, 0, true, kFam, "新板名", kFam, ""},
      {"family, host differs", kFam, kFamOld, 1, 0, 0, true, kFam, "板", kFamOld, kFam},
      {"family, host differs, changelink off", kFam, kFamOld, 0, 0, 0, true, kFam, "板", kFamOld, ""},
      {"family, host differs, changebbs", kFam, kFamOld, 1, 1, 0, true, kFam, "新板名", kFamOld, kFam},
      {"sister, board not listed", kSister, sister2, 1, 1, 0, true, kSister, "板", sister2, kSister},
      {"family, host differs only in case", kFam, caps, 1, 0, 0, true, kFam, "板", caps, kFam},
      {"family, empty host", kFam, "", 1, 0, 0, true, kFam, "板", "", ""},
      {"other, no slash in host", kForeign, kForeign + "_dir", 0, 0, 1, true, kForeign + "/dir", "板",
       kForeign, kForeign + "/dir"},
      {"other, underscore in server", "a_b.jp", "a_b.jp/x", 0, 0, 1, true, "a/b.jp/x", "板", "a_b.jp", "a/b.jp/x"},
      {"other, slash in host", kForeign, kForeign + "/dir", 1, 0, 1, false, kForeign + "/dir", "板", kForeign, ""},
      {"other, foreign flag off", kForeign, kForeign + "_dir", 1, 0, 0, false, kForeign + "_dir", "板", kForeign, ""},
      {"other, changebbs", kForeign, kForeign + "_dir", 1, 1, 0, true, kForeign + "_dir", "板", kForeign, ""},
      // changebbs renames family boards only, even where a listed one matches.
      {"other, host is its server, changebbs", kForeign, kForeign, 1, 1, 0, true, kForeign, "板", kForeign, ""},
  };
  add_board(kFam.c_str(), "news", "新板名");
  add_board(kForeign.c_str(), "news", "外部板名");
  int i = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    std::string root = "r" + std::to_string(i++) + "\\log", dir = root + "\\" + r.server + "\\news";
    Index before(0x18, r.host);
    before.field21 = "keep";  // a rewrite visibly drops it
    const std::string log = log_text(r.link_from);
    put(dir, "1.idx", before, log);
    g_settings.changelink = r.changelink;
    g_settings.changebbs = r.changebbs;
    g_foreign_server = r.foreign;
    ui_->output.clear();
    repair_pass(root.c_str());
    Index after(0x08, r.want_host);
    after.board_name = r.want_board_name;
    EXPECT_EQ(read_file(dir + "\\1.idx"), index_text(r.written ? after : before));
    EXPECT_EQ(ui_->output, r.written ? std::string(kHeader) + "news" : "");
    EXPECT_EQ(read_file(dir + "\\1.dat"), r.link_to.empty() ? log : log_text(r.link_to, "news", 1, r.link_from));
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
    Index idx(th.flags, th.server, th.board_field);
    idx.title = "title" + std::to_string(++t);
    put("log\\" + th.server + "\\" + th.board, th.name, idx);
  }
  g_favourites_rebuild = 1;
  ASSERT_TRUE(favourites_stream_open());
  repair_pass("log");
  ASSERT_TRUE(favourites_stream_close());

  // Expected order: the file system's listing order at every level, each
  // directory walked completely where it is listed.
  auto list = [](const std::string& dir) {
    std::vector<std::string> out;
    auto listing = env()->list_dir(dir.c_str());
    DirEntry e;
    while (listing && listing->next(&e)) {
      if (e.name != "." && e.name != "..") out.push_back(e.name);
    }
    return out;
  };
  std::string want, want_output;
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
  for (size_t at = 0; (at = ui_->output.find("\r\n「", at)) != std::string::npos; at += 2) {
    registered += ui_->output.substr(at, ui_->output.find("\r\n", at + 2) - at);
  }
  EXPECT_EQ(registered, want_output);
}

TEST_F(RepairPassTest, ExcludedBoardsAreLeftAloneAndMarkTheirEntry) {
  Index moved(0, kFamOld);
  moved.field21 = "keep";
  const std::string log = log_text(kFamOld);
  put("log\\" + kFam + "\\news", "1.idx", moved, log);
  put("log\\" + kFam + "\\live", "2.idx", moved, log);
  put("log\\" + kSister + "\\talk", "3.idx", moved, log);
  add_exclusion(kFam.c_str(), "*");
  add_exclusion(kSister.c_str(), "other");
  g_settings.changebbs = 1;
  g_favourites_rebuild = 1;
  repair_pass("log");
  EXPECT_EQ(read_file("log\\" + kFam + "\\news\\1.idx"), index_text(moved));
  EXPECT_EQ(read_file("log\\" + kFam + "\\live\\2.idx"), index_text(moved));
  EXPECT_EQ(read_file("log\\" + kFam + "\\news\\1.dat"), log);
  EXPECT_EQ(g_exclusions[0].number, 1);
  EXPECT_EQ(g_exclusions[1].number, 0);
  EXPECT_EQ(ui_->output, std::string(kHeader) + "talk");
  EXPECT_NE(read_file("log\\" + kSister + "\\talk\\3.idx"), index_text(moved));
}

// Index files are found by name in any letter case and shown lower-case, the
// header comes once per directory, and board directories named with
// double-byte characters whose second byte is a backslash (表, ソ) or a
// capital letter (ア) are repaired like any other.
TEST_F(RepairPassTest, IndexNames) {
  std::string upper_server = kFam;
  for (char& c : upper_server) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  const std::string dir = "log\\" + upper_server + "\\News";
  const Index moved(0x60, kFamOld, "news");
  const std::string log = log_text(kFamOld);
  put(dir, "X.IDX", moved);
  write_file(dir + "\\X.DAT", log);  // found under its own spelling
  put(dir, "y.idx.bak", moved, log);
  put(dir, "z.txt", moved);
  for (const std::string board : {"\x95\x5c", "\x83\x5c", "\x83\x41"}) {
    put("log\\" + kSister + "\\" + board, "1.idx", Index(0, kFamOld, board), log_text(kFamOld, board));
  }
  g_favourites_rebuild = 1;
  ASSERT_TRUE(favourites_stream_open());
  repair_pass("log");
  favourites_stream_close();

  const Index fixed(0x60, kFam, "news");  // the lower-cased directory name
  EXPECT_EQ(read_file(dir + "\\X.IDX"), index_text(fixed));
  EXPECT_EQ(read_file(dir + "\\y.idx.bak"), index_text(fixed));
  EXPECT_EQ(read_file(dir + "\\z.txt"), index_text(moved));
  EXPECT_EQ(read_file(dir + "\\X.DAT"), log_text(kFam, "news", 1, kFamOld));
  EXPECT_EQ(read_file(dir + "\\y.idx.dat"), log_text(kFam, "news", 1, kFamOld));
  EXPECT_EQ(snapshot_tree(dir).size(), 5u);  // no second file beside the listed ones
  const std::string fav = read_file("favorite.idx");
  EXPECT_NE(fav.find(kFam + "\\news\\x.idx\r\n"), std::string::npos) << fav;
  EXPECT_NE(fav.find(kFam + "\\news\\y.idx.bak\r\n"), std::string::npos) << fav;
  EXPECT_EQ(count_of(ui_->output, std::string(kHeader) + "news"), 1);
  for (const std::string board : {"\x95\x5c", "\x83\x5c", "\x83\x41"}) {
    SCOPED_TRACE(board);
    const std::string bdir = "log\\" + kSister + "\\" + board;
    EXPECT_EQ(read_file(bdir + "\\1.idx"), index_text(Index(0, kSister, board)));
    EXPECT_EQ(read_file(bdir + "\\1.dat"), log_text(kSister, board, 1, kFamOld));
  }
}

TEST_F(RepairPassTest, IndexFilesOutsideBoardDirectoriesAreLeftAlone) {
  Index moved(0, kFamOld);
  moved.field21 = "keep";
  const std::string dirs[] = {"log", "log\\" + kFam, "log\\group\\" + kFam + "\\news", kDir + "\\old"};
  for (const std::string& d : dirs) put(d, "1.idx", moved);
  g_settings.changebbs = 1;
  g_foreign_server = 1;
  repair_pass("log");
  for (const std::string& d : dirs) EXPECT_EQ(read_file(d + "\\1.idx"), index_text(moved)) << d;
  EXPECT_EQ(ui_->output, "");
}

// An index file that cannot be used or written is reported and kept, and so
// is its log; a missing log does not hold back its index.
TEST_F(RepairPassTest, FilesThatCannotBeUsed) {
  const std::string log = log_text(kFamOld), fixed = index_text(Index(0, kFam));
  const struct Row {
    const char* what;
    std::string index, log;
    bool lock;
    std::string output, index_after, log_after;
  } rows[] = {
      {"unusable index", "1\t2\t3\r\n", log, false, "\r\nFile:" + kDir + "\\1.idxを開けませんでした。スキップします",
       "1\t2\t3\r\n", log},
      {"empty index", "", log, false, "\r\nFile:" + kDir + "\\1.idxを開けませんでした。スキップします", "", log},
      {"index cannot be written", index_text(Index(0, kFamOld)), log, true,
       std::string(kHeader) + "news\r\nFile:" + kDir + "\\1.idxを書けませんでした。このファイルはスキップします。",
       index_text(Index(0, kFamOld)), log},
      {"missing log", index_text(Index(0, kFamOld)), "", false,
       std::string(kHeader) + "news\r\nFile:" + kDir + "\\1.datを読み込めませんでした。このファイルはスキップします。",
       fixed, "<missing>"},
  };
  g_settings.changebbs = 1;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    std::filesystem::remove_all("log");
    make_dirs(kDir);
    write_file(kDir + "\\1.idx", r.index);
    if (!r.log.empty()) write_file(kDir + "\\1.dat", r.log);
    fault_.reset();
    if (r.lock) fault_.lock_file(kDir + "\\1.idx");
    ui_->output.clear();
    repair_pass("log");
    EXPECT_EQ(ui_->output, r.output);
    EXPECT_EQ(read_file(kDir + "\\1.idx"), r.index_after);
    EXPECT_EQ(read_file(kDir + "\\1.dat"), r.log_after);
  }
}

}  // namespace
}  // namespace vendrit
