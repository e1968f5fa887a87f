#include "relocate/move_board_dir.h"

#include "tests/test_support.h"
#include "vendrit_config.h"

namespace vendrit {
namespace {

const std::string kOld = std::string("old") + kMainSuffix, kNew = std::string("new") + kMainSuffix;
using Tree = std::vector<std::string>;

class MoveBoardDirTest : public RootTest {
 protected:
  static std::string src(const std::string& board) { return "log\\" + kOld + "\\" + board; }
  static std::string dst(const std::string& board) { return "log\\" + kNew + "\\" + board; }
  // Moves the board with fav.idx naming `fav`; gives fav.idx's first line afterwards.
  std::string move(const std::string& board, const std::string& fav = "1.idx") {
    catalogue_.favourites.clear();
    add_favourites("fav.idx", kOld + "\\" + board + "\\" + fav + "\r\ny");
    move_board_dir(run_, src(board).c_str(), dst(board).c_str());
    std::string after = read_file("fav.idx");
    return after.substr(0, after.size() - 3);
  }
};

// Each verdict as done on disk; which verdict a thread gets is decide_thread's. The favourites follow in every row.
TEST_F(MoveBoardDirTest, EveryVerdictOnDisk) {
  const std::string S = "source data, the longer copy", L = "destination data, longer than the source";
  const std::string absent = "<absent>";
  const std::string SI = index_text({}, "\r\n", "Last-Modified: s\r\n");
  const std::string DI = index_text({}, "\r\n", "Last-Modified: d\r\n");
  struct Row { std::string dest; int copyonly, copylarge; std::string data_after; };  // the index comes with its data
  const Row rows[] = {
      {absent, 0, 0, S},      // move
      {absent, 1, 0, S},      // copy
      {"", 0, 0, S},          // move over an empty copy
      {"", 1, 1, S},          // copy over an empty copy
      {L, 0, 1, L},           // the source goes
      {"short", 0, 1, S},     // the source replaces the copy there, then goes
      {"short", 1, 1, S},     // the source replaces the copy there and stays
      {"short", 1, 0, "short"},  // both stay
  };
  for (const Row& r : rows) {
    const std::string board = "b" + std::to_string(&r - rows);
    SCOPED_TRACE(board);
    write_tree(src(board), {"1.dat=" + S, "1.idx=" + SI});
    if (r.dest != absent) write_tree(dst(board), {"1.dat=" + r.dest, "1.idx=" + DI});
    settings_.copyonly = r.copyonly;
    settings_.copylarge = r.copylarge;
    EXPECT_EQ(move(board), kNew + "\\" + board + "\\1.idx");
    EXPECT_EQ(snapshot_tree(src(board)), (r.copyonly ? Tree{"1.dat=" + S, "1.idx=" + SI} : Tree{}));
    EXPECT_EQ(snapshot_tree(dst(board)), (Tree{"1.dat=" + r.data_after, "1.idx=" + (r.data_after == S ? SI : DI)}));
  }
  EXPECT_EQ(ui_->output, "");
}

// Data files take their index whatever its case; lone indexes and sub-directories stay; our leftovers go.
TEST_F(MoveBoardDirTest, PairsByCompanionNameAndArrivesLowerCase) {
  write_tree(src("news"), {"notes.txt=N", "notes.idx=NI", "readme=R", "2.dat=alone", "3.DAT=D", "3.IDX=I",
                           "lonely.idx=L", "UPPER.IDX=U", "vendrit-replace-77.tmp=y"});
  write_tree(src("news") + "\\sub", {"9.dat=S"});
  EXPECT_EQ(move("news", "2.idx"), kNew + "\\news\\2.idx");
  EXPECT_EQ(snapshot_tree(dst("news")), (Tree{"2.dat=alone", "3.dat=D", "3.idx=I", "notes.idx=NI", "notes.txt=N", "readme=R"}));
  EXPECT_EQ(snapshot_tree(src("news")), (Tree{"UPPER.IDX=U", "lonely.idx=L", "sub/", "sub/9.dat=S"}));
  EXPECT_EQ(ui_->output, "");
}

// With no_move, a thread whose index says it dropped out stays silently; one without an index stays, named.
TEST_F(MoveBoardDirTest, DroppedThreadFilter) {
  const struct Row { std::string index; bool moves; } rows[] = {
      {index_text({0x20}), true},
      {index_text({0x10 | 0x20}), false},
      {"<none>", false},
  };
  settings_.no_move = 1;
  for (const Row& r : rows) {
    const std::string board = "n" + std::to_string(&r - rows);
    SCOPED_TRACE(board);
    write_tree(src(board), {"1.dat=data"});
    if (r.index != "<none>") write_file(src(board) + "\\1.idx", r.index);
    ui_->output.clear();
    EXPECT_EQ(move(board), (r.moves ? kNew : kOld) + "\\" + board + "\\1.idx");
    EXPECT_EQ(file_exists(dst(board) + "\\1.dat"), r.moves);
    EXPECT_EQ(file_exists(src(board) + "\\1.dat"), !r.moves);
    EXPECT_EQ(ui_->output.find(src(board)) != std::string::npos, r.index == "<none>") << ui_->output;
  }
}

// The buffer grows to the largest data file, never shrinks; a failed growth skips the thread.
TEST_F(MoveBoardDirTest, WorkBuffer) {
  use_small_work_buffer();
  write_tree(src("news"), {"1.dat=" + std::string(100, 'a')});
  move("news");
  EXPECT_EQ(work_.size, 101u);
  write_tree(src("news"), {"2.dat=" + std::string(50, 'b'), "3.dat=" + std::string(200, 'c')});
  fail_work_buffer_growths(work_, 1);
  move("news");
  EXPECT_EQ(work_.size, 101u);
  EXPECT_TRUE(file_exists(dst("news") + "\\2.dat"));
  EXPECT_TRUE(file_exists(src("news") + "\\3.dat"));
  EXPECT_NE(ui_->output.find(src("news") + "\\3.dat"), std::string::npos) << ui_->output;
}

// An unmakeable destination stops the board; an existing one is used; a directory is never its own destination.
TEST_F(MoveBoardDirTest, DestinationDirectory) {
  write_tree(src("news"), {"1.dat=D"});
  fault_.fail_from(FaultOp::kMkdir, 1);
  move("news");
  // Its line is the only trace that the directory could not be made, rather than not looked at.
  EXPECT_EQ(ui_->output, "\r\nDir:" + dst("news") + "を作成出来ませんでした。コピーを中止します。");
  EXPECT_TRUE(file_exists(src("news") + "\\1.dat"));
  fault_.reset();
  write_tree(dst("news"), {"other.dat=O"});
  move("news");
  move_board_dir(run_, dst("news").c_str(), ("log\\" + kNew + "\\.\\news").c_str());
  EXPECT_EQ(snapshot_tree(dst("news")), (Tree{"1.dat=D", "other.dat=O"}));
  // The source of a copy goes only once the names of the copies are on the disk:
  // the two copies are flushed, then their directory.
  write_tree(src("sync"), {"1.dat=the longer source", "1.idx=I"});
  write_tree(dst("sync"), {"1.dat=short", "1.idx=J"});
  settings_.copylarge = 1;
  fault_.fail_nth(FaultOp::kSync, 3);
  move("sync");
  EXPECT_EQ(snapshot_tree(src("sync")), (Tree{"1.dat=the longer source", "1.idx=I"}));
}

TEST_F(MoveBoardDirTest, CompanionNames) {
  char out[kPathSize];
  const std::pair<const char*, const char*> rows[] = {
      {"a.b.c", "a.b.idx"},
      {"readme", "readme"},  // no "." : its own companion
      {".x", ".idx"},
  };
  for (const auto& c : rows) {
    ASSERT_TRUE(companion_name(out, c.first));
    EXPECT_STREQ(out, c.second) << c.first;
  }
  EXPECT_FALSE(companion_name(out, (std::string(257, 'a') + ".d").c_str()));
}

}  // namespace
}  // namespace vendrit
