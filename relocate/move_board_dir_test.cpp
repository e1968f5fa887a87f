#include "relocate/move_board_dir.h"
#include "relocate/rewrite_favourite_paths.h"

#include <filesystem>

#include <cstdlib>
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

// An index file whose first line has 20 tabs and the given flags.
std::string index_text(int flags, const std::string& end = "\r\n") {
  std::string s = "1\t" + std::to_string(flags);
  for (int i = 2; i < 21; ++i) s += "\t";
  return s + end;
}

class MoveBoardDirTest : public RootTest {
 protected:
  void use_favourites(const std::string& name, const std::string& content) {
    write_file(name, content);
    copy_text(g_favourites[g_favourite_count++], kPathSize, name.c_str());
    favourites_forget();
  }
  static std::string src(const std::string& board) { return "log\\" + kOld + "\\" + board; }
  static std::string dst(const std::string& board) { return "log\\" + kNew + "\\" + board; }
  // One run's move of the board: the favourites files are read afresh.
  void move(const std::string& board) {
    favourites_forget();
    move_board_dir(src(board).c_str(), dst(board).c_str());
  }
  bool output_has(const std::string& text) { return ui_->output.find(text) != std::string::npos; }
};

// Every row of the collision policy, with what each file holds afterwards.
TEST_F(MoveBoardDirTest, CollisionPolicyTable) {
  const std::string S = "source data, the longer copy";
  static_assert(sizeof "source data, the longer copy" == sizeof "equal size destination data!", "");
  const std::string SI = index_text(0) + "Last-Modified: s\r\n";
  const std::string DI = index_text(0) + "Last-Modified: d\r\n";
  const char* kAbsent = "<missing>";
  struct Case {
    const char* what;
    const char* dest;  // destination data, or kAbsent
    int copyonly, copylarge;
    bool source_stays;
    std::string data_after, index_after;  // at the destination
  } cases[] = {
      {"absent, move", kAbsent, 0, 0, false, S, SI},
      {"absent, move, copylarge", kAbsent, 0, 1, false, S, SI},
      {"absent, copy", kAbsent, 1, 0, true, S, SI},
      {"absent, copy, copylarge", kAbsent, 1, 1, true, S, SI},
      {"empty counts as absent, move", "", 0, 0, false, S, SI},
      {"empty counts as absent, copy", "", 1, 1, true, S, SI},
      {"larger, move", "destination data, longer than the source", 0, 1, false,
       "destination data, longer than the source", DI},
      {"equal size, move", "equal size destination data!", 0, 1, false,
       "equal size destination data!", DI},
      {"equal size, copy", "equal size destination data!", 1, 1, true,
       "equal size destination data!", DI},
      {"larger, copy", "destination data, longer than the source", 1, 0, true,
       "destination data, longer than the source", DI},
      {"smaller, move, copylarge", "short", 0, 1, false, S, SI},
      {"smaller, move", "short", 0, 0, false, "short", DI},
      {"smaller, copy, copylarge", "short", 1, 1, true, S, SI},
      {"smaller, copy", "short", 1, 0, true, "short", DI},
  };
  int k = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string board = "b" + std::to_string(k++);
    make_dirs(src(board));
    write_file(src(board) + "\\1.dat", S);
    write_file(src(board) + "\\1.idx", SI);
    if (c.dest != std::string(kAbsent)) {
      make_dirs(dst(board));
      write_file(dst(board) + "\\1.dat", c.dest);
      write_file(dst(board) + "\\1.idx", DI);
    }
    g_favourite_count = 0;
    std::string old_text = kOld + "\\" + board + "\\1.idx";
    use_favourites("fav.idx", "x\r\n" + old_text + "\r\ny\r\n");
    g_settings.copyonly = c.copyonly;
    g_settings.copylarge = c.copylarge;
    move(board);
    EXPECT_EQ(file_exists(src(board) + "\\1.dat"), c.source_stays);
    EXPECT_EQ(file_exists(src(board) + "\\1.idx"), c.source_stays);
    if (c.source_stays) {
      EXPECT_EQ(read_file(src(board) + "\\1.dat"), S);
    }
    EXPECT_EQ(read_file(dst(board) + "\\1.dat"), c.data_after);
    EXPECT_EQ(read_file(dst(board) + "\\1.idx"), c.index_after);
    // The favourites follow in every row.
    EXPECT_EQ(read_file("fav.idx"), "x\r\n" + kNew + "\\" + board + "\\1.idx\r\ny\r\n");
  }
  EXPECT_EQ(ui_->output, "");
}

TEST_F(MoveBoardDirTest, PairsByCompanionNameAndArrivesLowerCase) {
  make_dirs(src("news") + "\\sub");
  write_file(src("news") + "\\Thread.DAT", "T");
  write_file(src("news") + "\\thread.idx", "TI");
  write_file(src("news") + "\\notes.txt", "N");
  write_file(src("news") + "\\notes.idx", "NI");
  write_file(src("news") + "\\readme", "R");
  write_file(src("news") + "\\lonely.idx", "L");
  write_file(src("news") + "\\UPPER.IDX", "U");
  write_file(src("news") + "\\sub\\9.dat", "S");
  move("news");
  EXPECT_EQ(snapshot_tree(dst("news")),
            std::vector<std::string>({"notes.idx=NI", "notes.txt=N", "readme=R", "thread.dat=T",
                                      "thread.idx=TI"}));
  EXPECT_EQ(snapshot_tree(src("news")),
            std::vector<std::string>({"UPPER.IDX=U", "lonely.idx=L", "sub/", "sub/9.dat=S"}));
  EXPECT_EQ(ui_->output, "");
}

// On a case-sensitive file system the index may differ in case from its data.
TEST_F(MoveBoardDirTest, FindsAnIndexWhoseCaseDiffers) {
  make_dirs(src("news"));
  write_file(src("news") + "\\1.dat", "D");
  write_file(src("news") + "\\1.IDX", "I");
  move("news");
  EXPECT_EQ(snapshot_tree(dst("news")), std::vector<std::string>({"1.dat=D", "1.idx=I"}));
  EXPECT_EQ(snapshot_tree(src("news")), std::vector<std::string>());
}

TEST_F(MoveBoardDirTest, DroppedThreadFilter) {
  struct Case {
    const char* what;
    std::string index;
    bool moves;
    bool reported;
  } cases[] = {
      {"flag clear", index_text(0x20), true, false},
      {"dropped", index_text(0x10 | 0x20), false, false},
      {"dropped, LF line ends", index_text(0x10, "\n") + "Last-Modified: a\n", false, false},
      {"flag clear, LF line ends", index_text(0, "\n") + "Last-Modified: a\n", true, false},
      {"LF line ends, tabs on a later line", index_text(0, "\n") + "a\tb\n", false, true},
      {"19 tabs", "1\t0\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\r\n", false, true},
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
    g_favourite_count = 0;
    use_favourites("fav.idx", kOld + "\\" + board + "\\1.idx");
    ui_->output.clear();
    move(board);
    EXPECT_EQ(file_exists(dst(board) + "\\1.dat"), c.moves);
    EXPECT_EQ(file_exists(src(board) + "\\1.dat"), !c.moves);
    EXPECT_EQ(read_file("fav.idx"), (c.moves ? kNew : kOld) + "\\" + board + "\\1.idx");
    std::string line = "\r\nFile:" + src(board) + "\\1.idxが開けませんでした。";
    EXPECT_EQ(ui_->output, c.reported ? line : "");
  }
}

TEST_F(MoveBoardDirTest, WorkBufferGrowsToExactlyTheLargestFileAndNeverShrinks) {
  work_buffer_free();
  g_work.data = static_cast<char*>(malloc(16));
  g_work.size = 16;
  make_dirs(src("news"));
  write_file(src("news") + "\\1.dat", std::string(100, 'a'));
  move("news");
  EXPECT_EQ(g_work.size, 101u);
  write_file(src("news") + "\\2.dat", std::string(50, 'b'));
  move("news");
  EXPECT_EQ(g_work.size, 101u);

  // A failed growth keeps the old block, skips the thread and says so.
  write_file(src("news") + "\\3.dat", std::string(200, 'c'));
  work_buffer_fail_next_growths(1);
  move("news");
  EXPECT_EQ(g_work.size, 101u);
  EXPECT_TRUE(file_exists(src("news") + "\\3.dat"));
  EXPECT_EQ(ui_->output,
            "\r\nFile:" + src("news") + "\\3.datを読み込めませんでした。このファイルはスキップします。");
}

TEST_F(MoveBoardDirTest, IndexLargerThanTheWorkBufferIsCopiedWhole) {
  work_buffer_free();
  g_work.data = static_cast<char*>(malloc(16));
  g_work.size = 16;
  g_settings.copyonly = 1;
  make_dirs(src("news"));
  std::string big_index = index_text(0) + "Last-Modified: " + std::string(90, 'm') + "\r\n";
  write_file(src("news") + "\\1.dat", "tiny");
  write_file(src("news") + "\\1.idx", big_index);
  move("news");
  EXPECT_EQ(read_file(dst("news") + "\\1.idx"), big_index);
  EXPECT_EQ(g_work.size, 16u);
}

TEST_F(MoveBoardDirTest, DestinationThatCannotBeCreatedLeavesTheBoard) {
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
  EXPECT_EQ(snapshot_tree(dst("news")), std::vector<std::string>({"1.dat=D", "other.dat=O"}));

  // However it is spelt, a directory is never its own destination.
  ui_->output.clear();
  const std::string itself = "log\\" + kNew + "\\.\\news";
  move_board_dir(dst("news").c_str(), itself.c_str());
  EXPECT_EQ(ui_->output, "\r\nDir:" + dst("news") + "は移動先と同じフォルダです。スキップします。");
  EXPECT_EQ(snapshot_tree(dst("news")), std::vector<std::string>({"1.dat=D", "other.dat=O"}));
}

// The index goes first; one that cannot be deleted keeps its data file, so
// the pair stays whole at the source and the next run settles it.
TEST_F(MoveBoardDirTest, FailedSourceDeletionIsReportedAndKeepsThePair) {
  make_dirs(src("news"));
  make_dirs(dst("news"));
  write_file(src("news") + "\\1.dat", "S");
  write_file(src("news") + "\\1.idx", "SI");
  write_file(dst("news") + "\\1.dat", "larger");
  fault_.fail_nth(FaultOp::kRemove, 1);
  move("news");
  EXPECT_EQ(ui_->output, "\r\nFile:" + src("news") + "\\1.idxが削除できませんでした。errno=" +
                             std::to_string(kErrAccess));
  EXPECT_EQ(snapshot_tree(src("news")), std::vector<std::string>({"1.dat=S", "1.idx=SI"}));
  fault_.reset();
  ui_->output.clear();
  move("news");
  EXPECT_EQ(ui_->output, "");
  EXPECT_FALSE(dir_exists(src("news")) && !snapshot_tree(src("news")).empty());
}

// A source goes only after a complete copy; a failed copy leaves both sides.
TEST_F(MoveBoardDirTest, FailedCopyKeepsSourceAndDestination) {
  const FaultOp ops[] = {FaultOp::kRead, FaultOp::kWrite, FaultOp::kClose, FaultOp::kRename};
  g_settings.copylarge = 1;
  for (FaultOp op : ops) {
    SCOPED_TRACE(fault_op_name(op));
    make_dirs(src("news"));
    make_dirs(dst("news"));
    write_file(src("news") + "\\1.dat", "the longer source thread");
    write_file(src("news") + "\\1.idx", "SI");
    write_file(dst("news") + "\\1.dat", "short");
    write_file(dst("news") + "\\1.idx", "DI");
    fault_.reset();
    fault_.fail_from(op, 1);
    ui_->output.clear();
    move("news");
    fault_.reset();
    EXPECT_EQ(read_file(src("news") + "\\1.dat"), "the longer source thread");
    EXPECT_EQ(read_file(src("news") + "\\1.idx"), "SI");
    EXPECT_EQ(read_file(dst("news") + "\\1.dat"), "short");
    EXPECT_EQ(read_file(dst("news") + "\\1.idx"), "DI");
    EXPECT_NE(ui_->output, "");
    EXPECT_EQ(snapshot_tree(dst("news")).size(), 2u);  // no temporary file left
  }
}

// A move goes index, favourites, data file; whichever step fails, what was
// done before it is undone, so the thread and its favourites stay together.
TEST_F(MoveBoardDirTest, FailedMoveIsUndone) {
  struct Case {
    const char* what;
    int failing_rename;  // 0 locked index place, 2 favourites file, 3 data file, 4 on: the way back
    bool fail_from;
    std::string output;
  } cases[] = {
      {"index cannot move", 0, false,
       "\r\nFile:" + src("news") + "\\1.idxを移動出来ませんでした。"},
      {"favourites cannot follow", 2, false,
       "\r\nFile:fav.idxを書けませんでした。このファイルはスキップします。"},
      {"data file cannot move", 3, false,
       "\r\nFile:" + src("news") + "\\1.datを移動出来ませんでした。"},
      {"nor can the way back", 3, true,
       "\r\nFile:" + src("news") + "\\1.datを移動出来ませんでした。" +
           "\r\nFile:fav.idxを書けませんでした。このファイルはスキップします。" + "\r\nFile:" +
           dst("news") + "\\1.idxを元に戻せませんでした。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    make_dirs(src("news"));
    write_file(src("news") + "\\1.dat", "D");
    write_file(src("news") + "\\1.idx", "I");
    g_favourite_count = 0;
    use_favourites("fav.idx", kOld + "\\news\\1.idx");
    fault_.reset();
    if (c.failing_rename == 0) {
      fault_.lock_file(dst("news") + "\\1.idx");
    } else if (c.fail_from) {
      fault_.fail_from(FaultOp::kRename, c.failing_rename);
    } else {
      fault_.fail_nth(FaultOp::kRename, c.failing_rename);
    }
    ui_->output.clear();
    move("news");
    fault_.reset();
    EXPECT_EQ(ui_->output, c.output);
    EXPECT_EQ(read_file(src("news") + "\\1.dat"), "D");
    if (!c.fail_from) {
      EXPECT_EQ(snapshot_tree(src("news")), std::vector<std::string>({"1.dat=D", "1.idx=I"}));
      EXPECT_EQ(read_file("fav.idx"), kOld + "\\news\\1.idx");
      EXPECT_FALSE(file_exists(dst("news") + "\\1.idx"));
    }
    // The next run completes the move.
    move("news");
    EXPECT_EQ(snapshot_tree(dst("news")), std::vector<std::string>({"1.dat=D", "1.idx=I"}));
    EXPECT_EQ(read_file("fav.idx"), kNew + "\\news\\1.idx");
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path("log"), ec);
  }
}

// A data file without an index is moved alone: no failure, favourites follow.
TEST_F(MoveBoardDirTest, MissingCompanionIsNoFailure) {
  for (int copyonly = 0; copyonly <= 1; ++copyonly) {
    SCOPED_TRACE(copyonly);
    std::string board = "m" + std::to_string(copyonly);
    make_dirs(src(board));
    write_file(src(board) + "\\2.dat", "no index");
    g_favourite_count = 0;
    use_favourites("fav.idx", kOld + "\\" + board + "\\2.idx");
    g_settings.copyonly = copyonly;
    move(board);
    EXPECT_EQ(snapshot_tree(dst(board)), std::vector<std::string>({"2.dat=no index"}));
    EXPECT_EQ(file_exists(src(board) + "\\2.dat"), copyonly == 1);
    EXPECT_EQ(read_file("fav.idx"), kNew + "\\" + board + "\\2.idx");
  }
  EXPECT_EQ(ui_->output, "");
}

// When a favourites file cannot follow a thread, the thread does not leave
// its source, so the next run completes the job.
TEST_F(MoveBoardDirTest, FavouritesThatCannotFollowKeepTheSource) {
  struct Case {
    const char* what;
    bool dest_larger;
  } cases[] = {{"move undone", false}, {"source not deleted", true}};
  int k = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string board = "f" + std::to_string(k++);
    make_dirs(src(board));
    write_file(src(board) + "\\1.dat", "D");
    write_file(src(board) + "\\1.idx", "I");
    if (c.dest_larger) {
      make_dirs(dst(board));
      write_file(dst(board) + "\\1.dat", "larger");
      write_file(dst(board) + "\\1.idx", "LI");
    }
    g_favourite_count = 0;
    use_favourites("a.idx", kOld + "\\" + board + "\\1.idx");
    use_favourites("b.idx", kOld + "\\" + board + "\\1.idx");
    fault_.reset();
    fault_.fail_nth(FaultOp::kWrite, 2);  // a.idx follows, b.idx cannot
    ui_->output.clear();
    move(board);
    fault_.reset();
    // A losing source gives up its index before the favourites follow, so
    // that a run taking it up again knows they may have followed already;
    // its data file stays until they all have.
    EXPECT_EQ(snapshot_tree(src(board)),
              c.dest_larger ? std::vector<std::string>({"1.dat=D"})
                            : std::vector<std::string>({"1.dat=D", "1.idx=I"}));
    EXPECT_EQ(read_file("b.idx"), kOld + "\\" + board + "\\1.idx");
    // Every entry names a thread that is there.
    EXPECT_EQ(read_file("a.idx"), (c.dest_larger ? kNew : kOld) + "\\" + board + "\\1.idx");
    EXPECT_EQ(ui_->output, "\r\nFile:b.idxを書けませんでした。このファイルはスキップします。");

    // The next run completes it.
    move(board);
    EXPECT_EQ(read_file("a.idx"), kNew + "\\" + board + "\\1.idx");
    EXPECT_EQ(read_file("b.idx"), kNew + "\\" + board + "\\1.idx");
    EXPECT_EQ(snapshot_tree(src(board)), std::vector<std::string>());
  }
}

TEST_F(MoveBoardDirTest, CompanionNames) {
  struct Case {
    const char* name;
    const char* companion;
  } cases[] = {{"1.dat", "1.idx"}, {"a.b.c", "a.b.idx"}, {"readme", "readme"}, {".x", ".idx"}};
  for (const Case& c : cases) {
    char out[kPathSize];
    ASSERT_TRUE(companion_name(out, c.name));
    EXPECT_STREQ(out, c.companion) << c.name;
  }
  std::string longest = std::string(257, 'a') + ".d";
  char out[kPathSize];
  EXPECT_FALSE(companion_name(out, longest.c_str()));
}

}  // namespace
}  // namespace vendrit
