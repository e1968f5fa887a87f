#include "repair/repair_pass.h"

#include <algorithm>

#include "repair/favourites_stream.h"
#include "tests/test_support.h"
#include "vendrit_config.h"

namespace vendrit {
namespace {

const std::string kFam = std::string("news9") + kMainSuffix, kFamOld = std::string("news1") + kMainSuffix;
const std::string kForeign = "www.foreign.jp", kDir = "log\\" + kFam + "\\news";
using Tree = std::vector<std::string>;

class RepairPassTest : public RootTest {};

// What becomes of one index file and its log, by server, host and settings.
TEST_F(RepairPassTest, SummaryTable) {
  const std::string sister = std::string("talk") + kSisterSuffix;
  struct Row { std::string server, host; int changelink, changebbs, foreign; std::string want_host;  // "": not written
               bool renamed; std::string link_from, link_to; };  // "": the log stays
  const Row rows[] = {
      {kFam, kFam, 1, 1, 0, kFam, true, kFam, ""},
      {sister, "talk2" + std::string(kSisterSuffix), 1, 1, 0, sister, false, "talk2" + std::string(kSisterSuffix), sister},  // board not listed there
      {kFam, "", 1, 0, 0, kFam, false, "", ""},
      {kFam + ".bak", kFamOld, 1, 0, 0, "", false, kFamOld, ""},  // the suffix inside a longer name
      {kForeign, kForeign + "_dir", 0, 0, 1, kForeign + "/dir", false, kForeign, kForeign + "/dir"},
      {kForeign, kForeign, 1, 1, 0, kForeign, false, kForeign, ""},  // listed, but no family board
  };
  add_board(kFam.c_str(), "news", "新板名");
  add_board(kForeign.c_str(), "news", "外部板名");
  for (const Row& r : rows) {
    SCOPED_TRACE(&r - rows);
    const std::string root = "r" + std::to_string(&r - rows) + "\\log", dir = root + "\\" + r.server + "\\news";
    Index before(0x18, r.host), after(0x08, r.want_host);
    before.field21 = "keep";  // a rewrite visibly drops it
    if (r.renamed) after.board_name = "新板名";
    const std::string log = log_text(r.link_from);
    write_tree(dir, {"1.idx=" + index_text(before), "1.dat=" + log});
    settings_.changelink = r.changelink;
    settings_.changebbs = r.changebbs;
    choices_.foreign_server = r.foreign;
    repair_pass(run_, root.c_str());
    EXPECT_EQ(read_file(dir + "\\1.idx"), index_text(r.want_host.empty() ? before : after));
    EXPECT_EQ(read_file(dir + "\\1.dat"), r.link_to.empty() ? log : log_text(r.link_to, "news", 1, r.link_from));
  }
}

// A favourites rebuild: which flags make a line, with which board field; index names in any
// case, shown lower-case, the board named once; a board directory whose Shift_JIS name ends in a
// backslash byte (表) is one like any other; index files deeper than a board are left alone.
TEST_F(RepairPassTest, Rebuild) {
  std::string upper = kFam;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  const std::string dir = "log\\" + upper + "\\News", log = log_text(kFamOld), fixed_log = log_text(kFam, "news", 1, kFamOld);
  const std::string moved = index_text(Index(0x60, kFamOld)), fixed = index_text(Index(0x60, kFam));
  write_tree(dir, {"X.IDX=" + moved, "X.DAT=" + log, "y.idx.bak=" + moved, "y.idx.dat=" + log, "z.txt=" + moved, "old\\1.idx=" + moved});
  write_tree("log\\" + upper + "\\.news", {"1.idx=" + moved});  // '.' names are not walked
  struct Thread { std::string server, board, name; int flags; std::string board_field; bool listed; };
  const Thread threads[] = {
      {kFamOld, "live", "1.idx", 0x70, "live", true},  // 0x60 once the dropped flag is gone
      {kFamOld, "live", "3.idx", 0x61, "live", false},  // whole-value comparison
      {kFamOld, "\x95\x5c", "5.idx", 0x60, "\x95\x5c", true},
      {std::string("town") + kRegionalSuffix, "area", "6.idx", 0x50, "area", true},  // 0x40 needs a regional or rental board
      {kRentalHost1, "game", "7.idx", 0x50, "game7", true},  // the line takes the board id field
      {kRentalHost2, "b", "8.idx", 0x40, "b", true},
  };
  for (const Thread& t : threads) write_tree("log\\" + t.server + "\\" + t.board, {t.name + "=" + index_text(Index(t.flags, t.server, t.board_field))});
  choices_.favourites_rebuild = 1;
  auto favourites = favourites_stream_open(env_);
  repair_pass(run_, "log", favourites.get());
  ASSERT_TRUE(favourites->commit());
  EXPECT_EQ(snapshot_tree(dir), (Tree{"X.DAT=" + fixed_log, "X.IDX=" + fixed, "old/", "old/1.idx=" + moved, "y.idx.bak=" + fixed,
                                      "y.idx.dat=" + fixed_log, "z.txt=" + moved}));
  EXPECT_EQ(read_file("log\\" + upper + "\\.news\\1.idx"), moved);
  const std::string fav = "\n" + read_file("favorite.idx");
  for (const char* f : {"x.idx\r\n", "y.idx.bak\r\n"}) EXPECT_NE(fav.find("\n" + kFam + "\\news\\" + f), std::string::npos) << fav;
  for (const Thread& t : threads) {
    const std::string line = "\n" + t.server + "\\" + t.board_field + "\\" + t.name + "\r\n";
    EXPECT_EQ(fav.find(line) != std::string::npos, t.listed) << line;
  }
  EXPECT_EQ(std::count(fav.begin(), fav.end(), '\n'), 5 + 2 + 1) << fav;
  const size_t first = ui_->output.find("news\r\n");  // a line ending in the board's name
  EXPECT_NE(first, std::string::npos);
  EXPECT_EQ(first, ui_->output.rfind("news\r\n")) << ui_->output;
}

// An unusable or unwritable index is named and kept with its log; a missing log does not hold
// its index back.
TEST_F(RepairPassTest, FilesThatCannotBeUsed) {
  const std::string log = log_text(kFamOld), moved = index_text(Index(0, kFamOld));
  write_tree(kDir, {"1.idx=1\t2\t3\r\n", "1.dat=" + log, "2.idx=" + moved, "2.dat=" + log, "3.idx=" + moved});
  fault_.lock_file(kDir + "\\2.idx");
  settings_.changebbs = 1;
  repair_pass(run_, "log");
  EXPECT_EQ(snapshot_tree(kDir), (Tree{"1.dat=" + log, "1.idx=1\t2\t3\r\n", "2.dat=" + log, "2.idx=" + moved,
                                       "3.idx=" + index_text(Index(0, kFam))}));
  for (const char* name : {"1.idx", "2.idx", "3.dat"}) EXPECT_NE(ui_->output.find(kDir + "\\" + name), std::string::npos) << ui_->output;
}

}  // namespace
}  // namespace vendrit
