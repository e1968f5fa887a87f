#include "repair/repair_pass.h"

#include "repair/favourites_stream.h"
#include "tests/test_support.h"

namespace vendrit {
namespace {

const std::string kFam = server("news9"), kFamOld = server("news1");
const std::string kForeign = "www.foreign.jp", kDir = "log\\" + kFam + "\\news";
using Tree = std::vector<std::string>;

class RepairPassTest : public RootTest {};

// What becomes of one index file and its log, by server, host and settings.
TEST_F(RepairPassTest, SummaryTable) {
  struct Row { std::string server, host; int changebbs, foreign; std::string want_host;  // "": not written
               bool renamed; std::string link_from, link_to; };  // link_to "": the log stays
  const Row rows[] = {
      {kFam, kFam, 1, 0, kFam, true, kFam, ""},
      {kFam, "", 0, 0, kFam, false, "", ""},
      {kFam + ".bak", kFamOld, 0, 0, "", false, kFamOld, ""},  // the suffix inside a longer name
      {kForeign, kForeign + "_dir", 0, 1, kForeign + "/dir", false, kForeign, kForeign + "/dir"},
      {kForeign, kForeign, 1, 0, kForeign, false, kForeign, ""},  // listed, but no family board
  };
  settings_.changelink = 1;
  add_board(kFam, "news", "新板名");
  add_board(kForeign, "news", "外部板名");
  for (const Row& r : rows) {
    SCOPED_TRACE(&r - rows);
    const std::string root = "r" + std::to_string(&r - rows) + "\\log", dir = root + "\\" + r.server + "\\news";
    Index before(0x18, r.host), after(0x08, r.want_host);
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

// A favourites rebuild: which flags make a line (with the dropped flag cleared), the board named
// once; a board directory whose Shift_JIS name ends in a backslash byte (表) is one like any
// other; index files deeper than a board, or in a directory whose name starts with '.', are left
// alone; an unusable or unwritable index is kept with its log, the unusable one named, while a
// missing log does not hold its index back.
TEST_F(RepairPassTest, Rebuild) {
  const std::string log = log_text(kFamOld), moved = index_text(Index(0x70, kFamOld)), fixed = index_text(Index(0x60, kFam));
  write_tree("log\\" + kFam, {"news\\X.IDX=" + moved, "news\\y.idx.bak=" + moved, "news\\old\\1.idx=" + moved,
                             "news\\1.idx=1\t2\t3\r\n", "news\\2.idx=" + moved, "news\\2.dat=" + log, ".news\\1.idx=" + moved});
  fault_.fail_op(FaultOp::kOpen, 2, kDir + "\\2.idx");  // its write probe
  const Index threads[] = {Index(0x60, kFamOld, "\x95\x5c"), Index(0x40, kRentalHost2, "b")};  // 0x40 needs a rental board
  for (const Index& t : threads) write_tree("log\\" + t.host + "\\" + t.board, {"1.idx=" + index_text(t)});
  choices_.favourites_rebuild = 1;
  auto favourites = favourites_stream_open(env_);
  repair_pass(run_, "log", favourites.get());
  ASSERT_TRUE(favourites->commit());
  EXPECT_EQ(snapshot_tree("log\\" + kFam), (Tree{".news/", ".news/1.idx=" + moved, "news/", "news/1.idx=1\t2\t3\r\n", "news/2.dat=" + log,
                                                 "news/2.idx=" + moved, "news/X.IDX=" + fixed, "news/old/", "news/old/1.idx=" + moved,
                                                 "news/y.idx.bak=" + fixed}));
  EXPECT_NE(ui_->output.find(kDir + "\\1.idx"), std::string::npos) << ui_->output;
  const std::string fav = "\n" + read_file("favorite.idx");
  for (const Index& t : threads) EXPECT_NE(fav.find("\n" + t.host + "\\" + t.board + "\\1.idx\r\n"), std::string::npos) << fav;
  const size_t first = ui_->output.find("news\r\n");  // a line ending in the board's name
  EXPECT_NE(first, std::string::npos);
  EXPECT_EQ(first, ui_->output.rfind("news\r\n")) << ui_->output;
}

}  // namespace
}  // namespace vendrit
