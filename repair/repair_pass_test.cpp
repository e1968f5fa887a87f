#include "repair/repair_pass.h"

#include <algorithm>
#include <filesystem>

#include "repair/favourites_stream.h"
#include "tests/test_support.h"
#include "vendrit_config.h"

namespace vendrit {
namespace {

const std::string kHeader = "\r\n書き換え中 BBS:", kFam = std::string("news9") + kMainSuffix;
const std::string kFamOld = std::string("news1") + kMainSuffix, kSister = std::string("talk") + kSisterSuffix;
const std::string kForeign = "www.foreign.jp", kDir = "log\\" + kFam + "\\news";

class RepairPassTest : public RootTest {
 protected:
  static void put(const std::string& dir, const std::string& name, const Index& idx, const std::string& log = "") {
    write_tree(dir, {name + "=" + index_text(idx)});
    if (!log.empty()) write_file(dir + "\\" + name.substr(0, name.size() - 4) + ".dat", log);
  }
  void rebuild() {
    choices_.favourites_rebuild = 1;
    auto favourites = favourites_stream_open(env_);
    repair_pass(run_, "log", favourites.get());
    ASSERT_TRUE(favourites->commit());
  }
};

TEST_F(RepairPassTest, SummaryTable) {
  const std::string sister2 = "talk2" + std::string(kSisterSuffix), caps = "NEWS9" + std::string(kMainSuffix);
  const std::string excluded = "news8" + std::string(kMainSuffix);
  const struct { const char* what; std::string server, host; int changelink, changebbs, foreign; bool written;
    std::string want_host, want_board_name, link_from, link_to; } rows[] = {  // empty link_to: the log stays
      {"family, host matches", kFam, kFam, 1, 0, 0, false, kFam, "板", kFam, ""},
      {"family, host matches, changebbs", kFam, kFam, 1, 1, 0, true, kFam, "新板名", kFam, ""},
      {"family, host differs", kFam, kFamOld, 1, 0, 0, true, kFam, "板", kFamOld, kFam},
      {"family, host differs, changelink off", kFam, kFamOld, 0, 0, 0, true, kFam, "板", kFamOld, ""},
      {"family, host differs, changebbs", kFam, kFamOld, 1, 1, 0, true, kFam, "新板名", kFamOld, kFam},
      {"sister, board not listed", kSister, sister2, 1, 1, 0, true, kSister, "板", sister2, kSister},
      {"family, host differs only in case", kFam, caps, 1, 0, 0, true, kFam, "板", caps, kFam},
      {"family, empty host", kFam, "", 1, 0, 0, true, kFam, "板", "", ""},
      {"suffix inside a longer server name", kFam + ".bak", kFamOld, 1, 0, 0, false, "", "", kFamOld, ""},
      {"other, no slash in host", kForeign, kForeign + "_dir", 0, 0, 1, true, kForeign + "/dir", "板", kForeign, kForeign + "/dir"},
      {"other, underscore in server", "a_b.jp", "a_b.jp/x", 0, 0, 1, true, "a/b.jp/x", "板", "a_b.jp", "a/b.jp/x"},
      {"other, slash in host", kForeign, kForeign + "/dir", 1, 0, 1, false, kForeign + "/dir", "板", kForeign, ""},
      {"other, foreign flag off", kForeign, kForeign + "_dir", 1, 0, 0, false, kForeign + "_dir", "板", kForeign, ""},
      // changebbs renames family boards only, even where a listed one matches.
      {"other, host is its server, changebbs", kForeign, kForeign, 1, 1, 0, true, kForeign, "板", kForeign, ""},
      {"excluded server", excluded, kFamOld, 1, 1, 1, false, "", "", kFamOld, ""},
  };
  add_exclusion(excluded.c_str(), "*");
  add_board(kFam.c_str(), "news", "新板名");
  add_board(kForeign.c_str(), "news", "外部板名");
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    const std::string root = "r" + std::to_string(&r - rows) + "\\log", dir = root + "\\" + r.server + "\\news";
    Index before(0x18, r.host), after(0x08, r.want_host);
    before.field21 = "keep";  // a rewrite visibly drops it
    after.board_name = r.want_board_name;
    const std::string log = log_text(r.link_from);
    put(dir, "1.idx", before, log);
    settings_.changelink = r.changelink;
    settings_.changebbs = r.changebbs;
    choices_.foreign_server = r.foreign;
    ui_->output.clear();
    repair_pass(run_, root.c_str());
    EXPECT_EQ(read_file(dir + "\\1.idx"), index_text(r.written ? after : before));
    EXPECT_EQ(ui_->output, r.written ? kHeader + "news" : "");
    EXPECT_EQ(read_file(dir + "\\1.dat"), r.link_to.empty() ? log : log_text(r.link_to, "news", 1, r.link_from));
  }
}

// Which flags make a favourites line (CR LF ended), with which board field.
TEST_F(RepairPassTest, FavouritesLinesForQualifyingFlags) {
  const std::string regional = std::string("town") + kRegionalSuffix;
  const struct { std::string server, board, name; int flags; std::string board_field; bool listed; } threads[] = {
      {kFam, "news", "1.idx", 0x70, "news", true},  // 0x60 once the dropped flag is gone
      {kFam, "news", "3.idx", 0x61, "news", false},  // whole-value comparison
      {kFam, "news", "4.idx", 0x50, "news", false},  // 0x40 needs a regional or rental board
      {kFam, "live", "5.idx", 0x60, "live", true},
      {regional, "area", "6.idx", 0x50, "area", true},
      {kRentalHost1, "game", "7.idx", 0x50, "game7", true},  // the line takes the board id field
      {kRentalHost2, "b", "9.idx", 0x70 | 0x100, "b", true},  // bits from 0x100 up go too
      {kRentalHost2, "b", "8.idx", 0x40, "b", true},
  };
  for (const auto& th : threads) {
    Index idx(th.flags, th.server, th.board_field);
    idx.title = "title" + std::to_string(&th - threads + 1);
    put("log\\" + th.server + "\\" + th.board, th.name, idx);
  }
  rebuild();
  const std::string fav = read_file("favorite.idx");
  size_t listed = 0;
  for (const auto& th : threads) {
    const std::string line = "\n" + th.server + "\\" + th.board_field + "\\" + th.name + "\r\n";
    const std::string shown = "\r\n「title" + std::to_string(&th - threads + 1) + "」を登録します";
    EXPECT_EQ(("\n" + fav).find(line) != std::string::npos, th.listed) << line;
    EXPECT_EQ(ui_->output.find(shown) != std::string::npos, th.listed) << shown;
    listed += th.listed;
  }
  EXPECT_EQ(size_t(std::count(fav.begin(), fav.end(), '\n')), listed) << fav;
}

// Index names in any case, shown lower-case; one header per directory; board dirs 表, ソ, ア repaired too.
TEST_F(RepairPassTest, IndexNames) {
  std::string upper = kFam;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  const std::string dir = "log\\" + upper + "\\News", log = log_text(kFamOld), fixed_log = log_text(kFam, "news", 1, kFamOld);
  const Index moved(0x60, kFamOld, "news"), fixed(0x60, kFam, "news");  // the lower-cased directory name
  put(dir, "X.IDX", moved);
  write_file(dir + "\\X.DAT", log);  // found under its own spelling
  put(dir, "y.idx.bak", moved, log);
  put(dir, "z.txt", moved);
  const std::string boards[] = {"\x95\x5c", "\x83\x5c", "\x83\x41"};
  for (const std::string& b : boards) put("log\\" + kSister + "\\" + b, "1.idx", Index(0, kFamOld, b), log_text(kFamOld, b));
  rebuild();
  EXPECT_EQ(snapshot_tree(dir), (std::vector<std::string>{"X.DAT=" + fixed_log, "X.IDX=" + index_text(fixed),
                                                          "y.idx.bak=" + index_text(fixed), "y.idx.dat=" + fixed_log,
                                                          "z.txt=" + index_text(moved)}));
  const std::string fav = read_file("favorite.idx");
  for (const char* f : {"x.idx\r\n", "y.idx.bak\r\n"}) EXPECT_NE(fav.find(kFam + "\\news\\" + f), std::string::npos) << fav;
  const size_t header = ui_->output.find(kHeader + "news");
  EXPECT_TRUE(header != std::string::npos && header == ui_->output.rfind(kHeader + "news")) << ui_->output;
  for (const std::string& b : boards) {
    SCOPED_TRACE(b);
    EXPECT_EQ(read_file("log\\" + kSister + "\\" + b + "\\1.idx"), index_text(Index(0, kSister, b)));
    EXPECT_EQ(read_file("log\\" + kSister + "\\" + b + "\\1.dat"), log_text(kSister, b, 1, kFamOld));
  }
}

TEST_F(RepairPassTest, IndexFilesOutsideBoardDirectoriesAreLeftAlone) {
  Index moved(0, kFamOld);
  moved.field21 = "keep";
  const std::string dirs[] = {"log", "log\\" + kFam, "log\\group\\" + kFam + "\\news", kDir + "\\old",
                              "log\\.hidden\\news", "log\\" + kFam + "\\.news"};  // '.' names are not walked
  for (const std::string& d : dirs) put(d, "1.idx", moved);
  settings_.changebbs = 1;
  choices_.foreign_server = 1;
  repair_pass(run_, "log");
  for (const std::string& d : dirs) EXPECT_EQ(read_file(d + "\\1.idx"), index_text(moved)) << d;
  EXPECT_EQ(ui_->output, "");
}

// An unusable or unwritable index is reported and kept with its log; a missing log does not hold it back.
TEST_F(RepairPassTest, FilesThatCannotBeUsed) {
  const std::string log = log_text(kFamOld), moved = index_text(Index(0, kFamOld)), file = "\r\nFile:" + kDir;
  const std::string skip = file + "\\1.idxを開けませんでした。スキップします";
  const struct { const char* what; std::string index, log; bool lock; std::string output, index_after, log_after; } rows[] = {
      {"unusable index", "1\t2\t3\r\n", log, false, skip, "1\t2\t3\r\n", log}, {"empty index", "", log, false, skip, "", log},
      {"index cannot be written", moved, log, true,
       kHeader + "news" + file + "\\1.idxを書けませんでした。このファイルはスキップします。", moved, log},
      {"missing log", moved, "", false, kHeader + "news" + file + "\\1.datを読み込めませんでした。このファイルはスキップします。",
       index_text(Index(0, kFam)), "<missing>"},
  };
  settings_.changebbs = 1;
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    std::filesystem::remove_all("log");
    write_tree(kDir, {"1.idx=" + r.index});
    if (!r.log.empty()) write_file(kDir + "\\1.dat", r.log);
    fault_.reset();
    if (r.lock) fault_.lock_file(kDir + "\\1.idx");
    ui_->output.clear();
    repair_pass(run_, "log");
    EXPECT_EQ(ui_->output, r.output);
    EXPECT_EQ(read_file(kDir + "\\1.idx"), r.index_after);
    EXPECT_EQ(read_file(kDir + "\\1.dat"), r.log_after);
  }
}

}  // namespace
}  // namespace vendrit
