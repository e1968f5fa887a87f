#include "repair/repair_pass.h"

#include <algorithm>
#include <filesystem>

#include "repair/favourites_stream.h"
#include "tests/test_support.h"
#include "vendrit_config.h"

namespace vendrit {
namespace {

const std::string kFam = std::string("news9") + kMainSuffix, kFamOld = std::string("news1") + kMainSuffix;
const std::string kSister = std::string("talk") + kSisterSuffix, kForeign = "www.foreign.jp";
const std::string kDir = "log\\" + kFam + "\\news";

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

// What becomes of one index file and its log, by server, host and settings.
TEST_F(RepairPassTest, SummaryTable) {
  const std::string sister2 = "talk2" + std::string(kSisterSuffix), caps = "NEWS9" + std::string(kMainSuffix);
  const std::string excluded = "news8" + std::string(kMainSuffix);
  struct Row { std::string server, host; int changelink, changebbs, foreign; bool written; std::string want_host;
               bool renamed; std::string link_from, link_to; };  // empty link_to: the log stays
  const Row rows[] = {
      {kFam, kFam, 1, 0, 0, false, kFam, false, kFam, ""},
      {kFam, kFam, 1, 1, 0, true, kFam, true, kFam, ""},
      {kFam, kFamOld, 0, 0, 0, true, kFam, false, kFamOld, ""},
      {kSister, sister2, 1, 1, 0, true, kSister, false, sister2, kSister},  // board not listed there
      {kFam, caps, 1, 0, 0, true, kFam, false, caps, kFam},
      {kFam, "", 1, 0, 0, true, kFam, false, "", ""},
      {kFam + ".bak", kFamOld, 1, 0, 0, false, "", false, kFamOld, ""},  // the suffix inside a longer name
      {kForeign, kForeign + "_dir", 0, 0, 1, true, kForeign + "/dir", false, kForeign, kForeign + "/dir"},
      {kForeign, kForeign + "/dir", 1, 0, 1, false, kForeign + "/dir", false, kForeign, ""},
      {kForeign, kForeign + "_dir", 1, 0, 0, false, kForeign + "_dir", false, kForeign, ""},
      {kForeign, kForeign, 1, 1, 0, true, kForeign, false, kForeign, ""},  // listed, but no family board
      {excluded, kFamOld, 1, 1, 1, false, "", false, kFamOld, ""},
  };
  add_exclusion(excluded.c_str(), "*");
  add_board(kFam.c_str(), "news", "新板名");
  add_board(kForeign.c_str(), "news", "外部板名");
  for (const Row& r : rows) {
    SCOPED_TRACE(&r - rows);
    const std::string root = "r" + std::to_string(&r - rows) + "\\log";
    const std::string dir = root + "\\" + r.server + "\\news";
    Index before(0x18, r.host);
    Index after(0x08, r.want_host);
    before.field21 = "keep";  // a rewrite visibly drops it
    if (r.renamed) after.board_name = "新板名";
    const std::string log = log_text(r.link_from);
    put(dir, "1.idx", before, log);
    settings_.changelink = r.changelink;
    settings_.changebbs = r.changebbs;
    choices_.foreign_server = r.foreign;
    repair_pass(run_, root.c_str());
    EXPECT_EQ(read_file(dir + "\\1.idx"), index_text(r.written ? after : before));
    EXPECT_EQ(read_file(dir + "\\1.dat"), r.link_to.empty() ? log : log_text(r.link_to, "news", 1, r.link_from));
  }
}

// Which flags make a favourites line, with which board field.
TEST_F(RepairPassTest, FavouritesLinesForQualifyingFlags) {
  const std::string regional = std::string("town") + kRegionalSuffix;
  struct Thread { std::string server, board, name; int flags; std::string board_field; bool listed; };
  const Thread threads[] = {
      {kFam, "news", "1.idx", 0x70, "news", true},  // 0x60 once the dropped flag is gone
      {kFam, "news", "3.idx", 0x61, "news", false},  // whole-value comparison
      {kFam, "news", "4.idx", 0x50, "news", false},  // 0x40 needs a regional or rental board
      {regional, "area", "6.idx", 0x50, "area", true},
      {kRentalHost1, "game", "7.idx", 0x50, "game7", true},  // the line takes the board id field
      {kRentalHost2, "b", "9.idx", 0x70 | 0x100, "b", true},  // bits from 0x100 up go too
      {kRentalHost2, "b", "8.idx", 0x40, "b", true},
  };
  for (const Thread& t : threads) put("log\\" + t.server + "\\" + t.board, t.name, Index(t.flags, t.server, t.board_field));
  rebuild();
  const std::string fav = "\n" + read_file("favorite.idx");
  for (const Thread& t : threads) {
    const std::string line = "\n" + t.server + "\\" + t.board_field + "\\" + t.name + "\r\n";
    EXPECT_EQ(fav.find(line) != std::string::npos, t.listed) << line;
  }
  const auto listed = std::count_if(std::begin(threads), std::end(threads), [](const Thread& t) { return t.listed; });
  EXPECT_EQ(std::count(fav.begin(), fav.end(), '\n'), listed + 1) << fav;
}

// Index names in any case, shown lower-case; the board named once for all its files; board
// directories whose Shift_JIS names end in a backslash byte (表, ソ) repaired like any other.
TEST_F(RepairPassTest, IndexNames) {
  std::string upper = kFam;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  const std::string dir = "log\\" + upper + "\\News", log = log_text(kFamOld);
  const std::string fixed_log = log_text(kFam, "news", 1, kFamOld);
  const Index moved(0x60, kFamOld, "news");
  const Index fixed(0x60, kFam, "news");  // the lower-cased directory name
  put(dir, "X.IDX", moved);
  write_file(dir + "\\X.DAT", log);  // found under its own spelling
  put(dir, "y.idx.bak", moved, log);
  put(dir, "z.txt", moved);
  const std::string boards[] = {"\x95\x5c", "\x83\x5c", "\x83\x41"};
  for (const std::string& b : boards) put("log\\" + kSister + "\\" + b, "1.idx", Index(0, kFamOld, b), log_text(kFamOld, b));
  rebuild();
  for (const std::string& b : boards) {
    SCOPED_TRACE(b);
    EXPECT_EQ(read_file("log\\" + kSister + "\\" + b + "\\1.idx"), index_text(Index(0, kSister, b)));
    EXPECT_EQ(read_file("log\\" + kSister + "\\" + b + "\\1.dat"), log_text(kSister, b, 1, kFamOld));
  }
  EXPECT_EQ(snapshot_tree(dir), (std::vector<std::string>{"X.DAT=" + fixed_log, "X.IDX=" + index_text(fixed),
                                                          "y.idx.bak=" + index_text(fixed), "y.idx.dat=" + fixed_log,
                                                          "z.txt=" + index_text(moved)}));
  const std::string fav = read_file("favorite.idx");
  for (const char* f : {"x.idx\r\n", "y.idx.bak\r\n"}) EXPECT_NE(fav.find(kFam + "\\news\\" + f), std::string::npos) << fav;
  const size_t first = ui_->output.find("news\r\n");  // a line ending in the board's name
  EXPECT_NE(first, std::string::npos);
  EXPECT_EQ(first, ui_->output.rfind("news\r\n")) << ui_->output;
}

TEST_F(RepairPassTest, IndexFilesOutsideBoardDirectoriesAreLeftAlone) {
  Index moved(0, kFamOld);
  moved.field21 = "keep";
  const std::string dirs[] = {"log", "log\\" + kFam, "log\\group\\" + kFam + "\\news", kDir + "\\old",
                              "log\\" + kFam + "\\.news"};  // '.' names are not walked
  for (const std::string& d : dirs) put(d, "1.idx", moved);
  settings_.changebbs = 1;
  choices_.foreign_server = 1;
  repair_pass(run_, "log");
  for (const std::string& d : dirs) EXPECT_EQ(read_file(d + "\\1.idx"), index_text(moved)) << d;
  EXPECT_EQ(ui_->output, "");
}

// An unusable or unwritable index is named and kept with its log; a missing log does not hold it back.
TEST_F(RepairPassTest, FilesThatCannotBeUsed) {
  const std::string log = log_text(kFamOld), moved = index_text(Index(0, kFamOld));
  struct Row { std::string index; bool lock; std::string log, named, index_after, log_after; };
  const Row rows[] = {
      {"1\t2\t3\r\n", false, log, "1.idx", "1\t2\t3\r\n", log},  // unusable
      {moved, true, log, "1.idx", moved, log},  // cannot be written
      {moved, false, "", "1.dat", index_text(Index(0, kFam)), "<missing>"},
  };
  settings_.changebbs = 1;
  for (const Row& r : rows) {
    SCOPED_TRACE(&r - rows);
    std::filesystem::remove_all("log");
    write_tree(kDir, {"1.idx=" + r.index});
    if (!r.log.empty()) write_file(kDir + "\\1.dat", r.log);
    fault_.reset();
    if (r.lock) fault_.lock_file(kDir + "\\1.idx");
    ui_->output.clear();
    repair_pass(run_, "log");
    EXPECT_NE(ui_->output.find(kDir + "\\" + r.named), std::string::npos) << ui_->output;
    EXPECT_EQ(read_file(kDir + "\\1.idx"), r.index_after);
    EXPECT_EQ(read_file(kDir + "\\1.dat"), r.log_after);
  }
}

}  // namespace
}  // namespace vendrit
