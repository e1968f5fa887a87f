#include "relocate/move_board_dir.h"

#include "tests/test_support.h"

namespace vendrit {
namespace {

using Tree = std::vector<std::string>;

class MoveBoardDirTest : public RootTest {
 protected:
  static std::string src(const std::string& board) { return "log\\" + kOld + "\\" + board; }
  static std::string dst(const std::string& board) { return "log\\" + kNew + "\\" + board; }
  // Moves the board with fav.idx naming its thread 1.
  void move(const std::string& board) {
    catalogue_.favourites.clear();
    add_favourites("fav.idx", kOld + "\\" + board + "\\1.idx\r\n");
    move_board_dir(run_, src(board).c_str(), dst(board).c_str());
  }
};

// Each verdict as done on disk, the index going with its data; which verdict a thread gets is
// decide_thread's. The favourites follow in every row.
TEST_F(MoveBoardDirTest, EveryVerdictOnDisk) {
  const std::string source = "source data, the longer copy", longer = "destination data, longer than the source";
  struct Row { std::string there; int copyonly, copylarge; std::string data_after; };  // "-": nothing there
  const Row rows[] = {
      {"-", 0, 0, source},      // move
      {"-", 1, 0, source},      // copy
      {longer, 0, 1, longer},   // the source goes
      {"short", 1, 1, source},  // the source replaces the copy there and stays
      {"short", 1, 0, "short"},  // both stay
  };
  for (const Row& r : rows) {
    const std::string board = "b" + std::to_string(&r - rows);
    SCOPED_TRACE(board);
    write_tree(src(board), {"1.dat=" + source, "1.idx=S"});
    if (r.there != "-") write_tree(dst(board), {"1.dat=" + r.there, "1.idx=D"});
    settings_.copyonly = r.copyonly;
    settings_.copylarge = r.copylarge;
    move(board);
    EXPECT_EQ(read_file("fav.idx"), kNew + "\\" + board + "\\1.idx\r\n");
    EXPECT_EQ(snapshot_tree(src(board)), (r.copyonly ? Tree{"1.dat=" + source, "1.idx=S"} : Tree{}));
    EXPECT_EQ(snapshot_tree(dst(board)), (Tree{"1.dat=" + r.data_after, r.data_after == source ? "1.idx=S" : "1.idx=D"}));
  }
  EXPECT_EQ(ui_->output, "");
}

// Data files take their index (named by the last '.') whatever its case; lone indexes and
// sub-directories stay; our leftovers go.
TEST_F(MoveBoardDirTest, PairsByCompanionNameAndArrivesLowerCase) {
  write_tree(src("news"), {"v.1.dat=V", "v.1.idx=VI", "readme=R", "3.DAT=D", "3.IDX=I", "lonely.idx=L", "vendrit-replace-77.tmp=y"});
  write_tree(src("news") + "\\sub", {"9.dat=S"});
  move("news");
  EXPECT_EQ(snapshot_tree(dst("news")), (Tree{"3.dat=D", "3.idx=I", "readme=R", "v.1.dat=V", "v.1.idx=VI"}));
  EXPECT_EQ(snapshot_tree(src("news")), (Tree{"lonely.idx=L", "sub/", "sub/9.dat=S"}));
  EXPECT_EQ(ui_->output, "");
}

// The work buffer grows to the largest data file and never shrinks (so a growth that would fail
// is never tried).
TEST_F(MoveBoardDirTest, WorkBufferNeverShrinks) {
  use_small_work_buffer();
  write_tree(src("news"), {"1.dat=" + std::string(100, 'a')});
  move("news");
  write_tree(src("news"), {"2.dat=" + std::string(50, 'b')});
  fail_work_buffer_growths(work_, 1);
  move("news");
  EXPECT_EQ(snapshot_tree(src("news")), Tree{});
}

// An unmakeable destination stops the board; the source of a copy goes only once the names of
// the copies are on the disk (the two copies are flushed, then their directory).
TEST_F(MoveBoardDirTest, DestinationDirectory) {
  write_tree(src("news"), {"1.dat=D"});
  fault_.fail_op(FaultOp::kMkdir, 0);
  move("news");
  // Its line is the only trace that the directory could not be made, rather than not looked at.
  EXPECT_EQ(ui_->output, "\r\nDir:" + dst("news") + "を作成出来ませんでした。コピーを中止します。");
  fault_.reset();
  write_tree(src("sync"), {"1.dat=the longer source", "1.idx=I"});
  write_tree(dst("sync"), {"1.dat=short", "1.idx=J"});
  settings_.copylarge = 1;
  fault_.fail_op(FaultOp::kSync, 3);
  move("sync");
  EXPECT_EQ(snapshot_tree(src("sync")), (Tree{"1.dat=the longer source", "1.idx=I"}));
}

}  // namespace
}  // namespace vendrit
