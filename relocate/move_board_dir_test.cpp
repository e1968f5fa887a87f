#include "relocate/move_board_dir.h"
#include "relocate/rewrite_favourite_paths.h"

#include <string>

#include "state/run_settings.h"
#include "state/work_buffer.h"
#include "catalogue/catalogue.h"
#include "platform/text.h"
#include "tests/test_support.h"
#include "vendrit_config.h"

namespace vendrit {
namespace {

const std::string kOld = std::string("old") + kMainSuffix;
const std::string kNew = std::string("new") + kMainSuffix;
using Tree = std::vector<std::string>;

class MoveBoardDirTest : public RootTest {
 protected:
  static std::string src(const std::string& board) { return "log\\" + kOld + "\\" + board; }
  static std::string dst(const std::string& board) { return "log\\" + kNew + "\\" + board; }
  // One run's move of the board: the favourites files are read afresh.
  void move(const std::string& board) {
    favourites_forget();
    move_board_dir(src(board).c_str(), dst(board).c_str());
  }
  // A favourites file naming one thread of the board, as the only one.
  void favourite(const std::string& board, const std::string& name = "1.idx") {
    g_favourite_count = 0;
    add_favourites("fav.idx", kOld + "\\" + board + "\\" + name);
  }
};

// Every row of the collision policy, with what each file holds afterwards.
TEST_F(MoveBoardDirTest, CollisionPolicyTable) {
  const std::string S = "source data, the longer copy", L = "destination data, longer than the source";
  const std::string E = "equal size destination data!";
  static_assert(sizeof "source data, the longer copy" == sizeof "equal size destination data!", "");
  const std::string SI = index_text({}, "\r\n", "Last-Modified: s\r\n");
  const std::string DI = index_text({}, "\r\n", "Last-Modified: d\r\n");
  const char* kAbsent = "<missing>";
  struct Case {
    const char* what;
    std::string dest;  // destination data, or kAbsent
    int copyonly, copylarge;
    std::string data_after, index_after;  // at the destination
  } cases[] = {
      {"absent, move", kAbsent, 0, 0, S, SI},         {"absent, move, copylarge", kAbsent, 0, 1, S, SI},
      {"absent, copy", kAbsent, 1, 0, S, SI},         {"absent, copy, copylarge", kAbsent, 1, 1, S, SI},
      {"empty counts as absent, move", "", 0, 0, S, SI}, {"empty counts as absent, copy", "", 1, 1, S, SI},
      {"larger, move", L, 0, 1, L, DI},               {"larger, copy", L, 1, 0, L, DI},
      {"equal size, move", E, 0, 1, E, DI},           {"equal size, copy", E, 1, 1, E, DI},
      {"smaller, move, copylarge", "short", 0, 1, S, SI}, {"smaller, move", "short", 0, 0, "short", DI},
      {"smaller, copy, copylarge", "short", 1, 1, S, SI}, {"smaller, copy", "short", 1, 0, "short", DI},
  };
  int k = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string board = "b" + std::to_string(k++);
    make_dirs(src(board));
    write_file(src(board) + "\\1.dat", S);
    write_file(src(board) + "\\1.idx", SI);
    if (c.dest != kAbsent) {
      make_dirs(dst(board));
      write_file(dst(board) + "\\1.dat", c.dest);
      write_file(dst(board) + "\\1.idx", DI);
    }
    g_favourite_count = 0;
    add_favourites("fav.idx", "x\r\n" + kOld + "\\" + board + "\\1.idx\r\ny\r\n");
    g_settings.copyonly = c.copyonly;
    g_settings.copylarge = c.copylarge;
    move(board);
    EXPECT_EQ(snapshot_tree(src(board)), (c.copyonly ? Tree{"1.dat=" + S, "1.idx=" + SI} : Tree{}));
    EXPECT_EQ(snapshot_tree(dst(board)), (Tree{"1.dat=" + c.data_after, "1.idx=" + c.index_after}));
    // The favourites follow in every row.
    EXPECT_EQ(read_file("fav.idx"), "x\r\n" + kNew + "\\" + board + "\\1.idx\r\ny\r\n");
  }
  EXPECT_EQ(ui_->output, "");
}

// Data files take their index by name, whatever its case; a data file without
// one moves alone; index files and sub-directories never move by themselves;
// a temporary file of ours left by an interrupted run is deleted.
TEST_F(MoveBoardDirTest, PairsByCompanionNameAndArrivesLowerCase) {
  make_dirs(src("news") + "\\sub");
  for (const char* f : {"Thread.DAT=T", "thread.idx=TI", "notes.txt=N", "notes.idx=NI", "readme=R",
                        "2.dat=alone", "3.dat=D", "3.IDX=I", "lonely.idx=L", "UPPER.IDX=U",
                        "sub\\9.dat=S", "vendrit-replace.tmp=x", "vendrit-replace-77.tmp=y"}) {
    std::string s = f;
    write_file(src("news") + "\\" + s.substr(0, s.find('=')), s.substr(s.find('=') + 1));
  }
  favourite("news", "2.idx");
  move("news");
  EXPECT_EQ(snapshot_tree(dst("news")), (Tree{"2.dat=alone", "3.dat=D", "3.idx=I", "notes.idx=NI",
                                              "notes.txt=N", "readme=R", "thread.dat=T", "thread.idx=TI"}));
  EXPECT_EQ(snapshot_tree(src("news")), (Tree{"UPPER.IDX=U", "lonely.idx=L", "sub/", "sub/9.dat=S"}));
  EXPECT_EQ(read_file("fav.idx"), kNew + "\\news\\2.idx");
  EXPECT_EQ(ui_->output, "");
}

TEST_F(MoveBoardDirTest, DroppedThreadFilter) {
  struct Case {
    const char* what;
    std::string index;
    bool moves, reported;
  } cases[] = {
      {"flag clear", index_text({0x20}), true, false},
      {"dropped", index_text({0x10 | 0x20}), false, false},
      {"dropped, LF line ends", index_text({0x10}, "\n", "Last-Modified: a\n"), false, false},
      {"flag clear, LF line ends", index_text({0}, "\n", "Last-Modified: a\n"), true, false},
      {"LF line ends, tabs on a later line", index_text({0}, "\n", "a\tb\n"), false, true},
      {"19 tabs", index_line(std::vector<std::string>(20, "1")), false, true},
      {"empty", "", false, true},
      {"missing", "<none>", false, true},
  };
  g_settings.no_move = 1;
  int k = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string board = "n" + std::to_string(k++);
    make_dirs(src(board));
    write_file(src(board) + "\\1.dat", "data");
    if (c.index != "<none>") write_file(src(board) + "\\1.idx", c.index);
    favourite(board);
    ui_->output.clear();
    move(board);
    EXPECT_EQ(file_exists(dst(board) + "\\1.dat"), c.moves);
    EXPECT_EQ(file_exists(src(board) + "\\1.dat"), !c.moves);
    EXPECT_EQ(read_file("fav.idx"), (c.moves ? kNew : kOld) + "\\" + board + "\\1.idx");
    EXPECT_EQ(ui_->output, c.reported ? "\r\nFile:" + src(board) + "\\1.idxが開けませんでした。" : "");
  }
}

// The buffer grows to exactly the largest data file and never shrinks; a
// failed growth keeps the old block and skips the thread; an index is copied
// whole whatever the buffer's size.
TEST_F(MoveBoardDirTest, WorkBuffer) {
  use_small_work_buffer();
  make_dirs(src("news"));
  write_file(src("news") + "\\1.dat", std::string(100, 'a'));
  move("news");
  EXPECT_EQ(g_work.size, 101u);
  const std::string big_index = index_text({}, "\r\n", "Last-Modified: " + std::string(200, 'm') + "\r\n");
  write_file(src("news") + "\\2.dat", std::string(50, 'b'));
  write_file(src("news") + "\\2.idx", big_index);
  write_file(src("news") + "\\3.dat", std::string(200, 'c'));
  fail_work_buffer_growths(1);
  move("news");
  EXPECT_EQ(g_work.size, 101u);
  EXPECT_EQ(read_file(dst("news") + "\\2.idx"), big_index);
  EXPECT_TRUE(file_exists(src("news") + "\\3.dat"));
  EXPECT_EQ(ui_->output,
            "\r\nFile:" + src("news") + "\\3.datを読み込めませんでした。このファイルはスキップします。");
}

TEST_F(MoveBoardDirTest, DestinationDirectory) {
  make_dirs(src("news"));
  write_file(src("news") + "\\1.dat", "D");
  fault_.fail_from(FaultOp::kMkdir, 1);
  move("news");
  EXPECT_EQ(ui_->output, "\r\nDir:" + dst("news") + "を作成出来ませんでした。コピーを中止します。");
  EXPECT_TRUE(file_exists(src("news") + "\\1.dat"));

  // An existing destination directory is used as it is.
  fault_.reset();
  ui_->output.clear();
  make_dirs(dst("news"));
  write_file(dst("news") + "\\other.dat", "O");
  move("news");
  EXPECT_EQ(ui_->output, "");
  EXPECT_EQ(snapshot_tree(dst("news")), (Tree{"1.dat=D", "other.dat=O"}));

  // However it is spelt, a directory is never its own destination.
  move_board_dir(dst("news").c_str(), ("log\\" + kNew + "\\.\\news").c_str());
  EXPECT_EQ(ui_->output, "\r\nDir:" + dst("news") + "は移動先と同じフォルダです。スキップします。");
  EXPECT_EQ(snapshot_tree(dst("news")), (Tree{"1.dat=D", "other.dat=O"}));
}

// A source goes only after a complete copy; a failed copy leaves both sides
// as they were and no temporary file beside them.
TEST_F(MoveBoardDirTest, FailedCopyKeepsSourceAndDestination) {
  const Tree source{"1.dat=the longer source thread", "1.idx=SI"}, destination{"1.dat=short", "1.idx=DI"};
  g_settings.copylarge = 1;
  make_dirs(src("news"));
  make_dirs(dst("news"));
  for (FaultOp op : {FaultOp::kRead, FaultOp::kWrite, FaultOp::kClose, FaultOp::kRename}) {
    SCOPED_TRACE(fault_op_name(op));
    for (const std::string& f : source) write_file(src("news") + "\\" + f.substr(0, 5), f.substr(6));
    for (const std::string& f : destination) write_file(dst("news") + "\\" + f.substr(0, 5), f.substr(6));
    fault_.reset();
    fault_.fail_from(op, 1);
    move("news");
    fault_.reset();
    EXPECT_EQ(snapshot_tree(src("news")), source);
    EXPECT_EQ(snapshot_tree(dst("news")), destination);
  }
}

TEST_F(MoveBoardDirTest, CompanionNames) {
  char out[kPathSize];
  for (auto c : {std::pair{"1.dat", "1.idx"}, {"a.b.c", "a.b.idx"}, {"readme", "readme"}, {".x", ".idx"}}) {
    ASSERT_TRUE(companion_name(out, c.first));
    EXPECT_STREQ(out, c.second) << c.first;
  }
  EXPECT_FALSE(companion_name(out, (std::string(257, 'a') + ".d").c_str()));
}

}  // namespace
}  // namespace vendrit
