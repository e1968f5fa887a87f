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
  const std::string sister = std::string("talk") + kSisterSuffix, sister2 = "talk2" + std::string(kSisterSuffix);
  struct Row { std::string server, host; int changebbs, foreign; std::string want_host;  // "": not written
               bool renamed; std::string link_from, link_to; };  // link_to "": the log stays
  const Row rows[] = {
      {kFam, kFam, 1, 0, kFam, true, kFam, ""},
      {sister, sister2, 1, 0, sister, false, sister2, sister},  // board not listed there
      {kFam, "", 0, 0, kFam, false, "", ""},
      {kFam + ".bak", kFamOld, 0, 0, "", false, kFamOld, ""},  // the suffix inside a longer name
      {kForeign, kForeign + "_dir", 0, 1, kForeign + "/dir", false, kForeign, kForeign + "/dir"},
      {kForeign, kForeign, 1, 0, kForeign, false, kForeign, ""},  // listed, but no family board
  };
  settings_.changelink = 1;
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
    settings_.changebbs = r.changebbs;
    choices_.foreign_server = r.foreign;
    repair_pass(run_, root.c_str());
    EXPECT_EQ(read_file(dir + "\\1.idx"), index_text(r.want_host.empty() ? before : after));
    EXPECT_EQ(read_file(dir + "\\1.dat"), r.link_to.empty() ? log : log_text(r.link_to, "news", 1, r.link_from));
  }
}

// A favourites rebuild: which flags make a line (with the dropped flag cleared); index names in
// any case, shown lower-case, the board named once; a board directory whose Shift_JIS name ends
// in a backslash byte (表) is one like any other; index files deeper than a board, or in a
// directory whose name starts with '.', are left alone; an unusable or unwritable index is named
// and kept with its log, while a missing log does not hold its index back.
TEST_F(RepairPassTest, Rebuild) {
  const std::string log = log_text(kFamOld), moved = index_text(Index(0x70, kFamOld)), locked = index_text(Index(0, kFamOld));
  write_tree("log\\" + kFam, {"news\\X.IDX=" + moved, "news\\X.DAT=" + log, "news\\y.idx.bak=" + index_text(Index(0x71, kFamOld)),
                             "news\\z.txt=" + moved, "news\\old\\1.idx=" + moved, "news\\1.idx=1\t2\t3\r\n", "news\\2.idx=" + locked,
                             "news\\2.dat=" + log, ".news\\1.idx=" + moved});
  fault_.lock_file(kDir + "\\2.idx");
  struct Thread { std::string server, board; int flags; bool listed; };
  const Thread threads[] = {
      {kFamOld, "\x95\x5c", 0x60, true},
      {kFamOld, "live", 0x50, false},  // 0x40 needs a regional or rental board
      {std::string("town") + kRegionalSuffix, "area", 0x50, true},
      {kRentalHost1, "game", 0x50, true},
      {kRentalHost2, "b", 0x40, true},
  };
  for (const Thread& t : threads) write_tree("log\\" + t.server + "\\" + t.board, {"1.idx=" + index_text(Index(t.flags, t.server, t.board))});
  choices_.favourites_rebuild = 1;
  auto favourites = favourites_stream_open(env_);
  repair_pass(run_, "log", favourites.get());
  ASSERT_TRUE(favourites->commit());
  EXPECT_EQ(snapshot_tree("log\\" + kFam), (Tree{".news/", ".news/1.idx=" + moved, "news/", "news/1.idx=1\t2\t3\r\n", "news/2.dat=" + log,
                                                 "news/2.idx=" + locked, "news/X.DAT=" + log_text(kFam, "news", 1, kFamOld),
                                                 "news/X.IDX=" + index_text(Index(0x60, kFam)), "news/old/", "news/old/1.idx=" + moved,
                                                 "news/y.idx.bak=" + index_text(Index(0x61, kFam)), "news/z.txt=" + moved}));
  for (const char* name : {"1.idx", "2.idx"}) EXPECT_NE(ui_->output.find(kDir + "\\" + name), std::string::npos) << ui_->output;
  const std::string fav = "\n" + read_file("favorite.idx");
  EXPECT_NE(fav.find("\n" + kFam + "\\news\\x.idx\r\n"), std::string::npos) << fav;
  for (const Thread& t : threads) {
    const std::string line = "\n" + t.server + "\\" + t.board + "\\1.idx\r\n";
    EXPECT_EQ(fav.find(line) != std::string::npos, t.listed) << line;
  }
  EXPECT_EQ(std::count(fav.begin(), fav.end(), '\n'), 4 + 1 + 1) << fav;
  const size_t first = ui_->output.find("news\r\n");  // a line ending in the board's name
  EXPECT_NE(first, std::string::npos);
  EXPECT_EQ(first, ui_->output.rfind("news\r\n")) << ui_->output;
}

}  // namespace
}  // namespace vendrit
