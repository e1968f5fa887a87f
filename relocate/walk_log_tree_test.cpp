#include "relocate/walk_log_tree.h"

#include <string>

#include "catalogue/catalogue.h"
#include "platform/text.h"
#include "tests/test_support.h"
#include "vendrit_config.h"

namespace vendrit {
namespace {

const std::string kOld = std::string("old") + kMainSuffix;
const std::string kNew = std::string("new") + kMainSuffix;

std::string bbs_line(const std::string& board, const std::string& from, const std::string& to = kNew) {
  return "\r\nBBS:" + board + "  " + from + "->" + to;
}

class WalkLogTreeTest : public RootTest {};

// Names on disk may carry capitals: they are matched and rebuilt lower-case,
// while the sources are opened under the names the listing gave.  Board ids
// with capitals in the board list never match.
TEST_F(WalkLogTreeTest, CapitalsInServerBoardAndFileNames) {
  add_board(kNew.c_str(), "news");
  add_board(kNew.c_str(), "Tech");
  std::string from = "log\\OLD" + std::string(kMainSuffix) + "\\News";
  make_dirs(from);
  write_file(from + "\\123.DAT", "D");
  write_file(from + "\\123.IDX", "I");
  const std::string tech = "log\\prev" + std::string(kMainSuffix) + "\\tech";
  make_dirs(tech);
  write_file(tech + "\\1.dat", "T");
  add_favourites("fav.idx", kOld + "\\news\\123.idx\r\n");
  walk_log_tree("log");
  EXPECT_EQ(ui_->output, bbs_line("news", kOld));
  EXPECT_EQ(snapshot_tree("log\\" + kNew), std::vector<std::string>({"news/", "news/123.dat=D", "news/123.idx=I"}));
  EXPECT_EQ(read_file("fav.idx"), kNew + "\\news\\123.idx\r\n");
  EXPECT_TRUE(file_exists(tech + "\\1.dat"));
}

// Which directories are walked, moved and removed, by name and depth:
// server directories one and two levels below log, of either family, with
// the suffix anywhere in the name.
TEST_F(WalkLogTreeTest, FiltersAndDepthRule) {
  const std::string sister_old = std::string("old") + kSisterSuffix;
  const std::string odd_old = std::string("odd") + kMainSuffix + ".bak";
  for (const char* b : {"news", "tech", "food"}) add_board(kNew.c_str(), b);
  const char* empty_dirs[] = {
      "log\\a",                          // one level: removed
      "log\\g\\b",                       // two levels: removed, and then g
      "log\\h\\c\\deep",                 // three levels outside a server: kept
      "log\\_x", "log\\.hidden", "log\\localhost.1", "log\\h\\my_dir",  // names filtered
  };
  for (const char* d : empty_dirs) make_dirs(d);
  const std::string files[] = {
      "log\\grp\\" + kOld + "\\news\\1.dat", "log\\" + sister_old + "\\tech\\2.dat",
      "log\\" + odd_old + "\\food\\3.dat",
      "log\\p\\q\\" + kOld + "\\news\\4.dat",  // two levels below a non-server: not looked into
      "log\\_" + kOld + "\\news\\5.dat",       // a filtered server name
      "log\\localhost" + std::string(kMainSuffix) + "\\news\\6.dat", "log\\" + kOld + ".txt"};
  for (const std::string& f : files) {
    make_dirs(f.substr(0, f.rfind('\\')));
    write_file(f, "D");
  }
  walk_log_tree("log");
  for (const char* d : {"log\\a", "log\\g"}) EXPECT_FALSE(dir_exists(d)) << d;
  for (const char* d : {"log\\h\\c\\deep", "log\\h\\my_dir", "log\\_x", "log\\.hidden", "log\\localhost.1"}) {
    EXPECT_TRUE(dir_exists(d)) << d;
  }
  for (const std::string& f : {files[3], files[4], files[5], files[6]}) EXPECT_TRUE(file_exists(f)) << f;
  EXPECT_EQ(read_file("log\\grp\\" + kNew + "\\news\\1.dat"), "D");
  EXPECT_EQ(read_file("log\\" + kNew + "\\tech\\2.dat"), "D");
  EXPECT_EQ(read_file("log\\" + kNew + "\\food\\3.dat"), "D");
  // The emptied old server directories went; the group stays with the new one.
  EXPECT_FALSE(dir_exists("log\\grp\\" + kOld));
  EXPECT_FALSE(dir_exists("log\\" + sister_old));
  for (const std::string& line : {bbs_line("news", kOld), bbs_line("tech", sister_old), bbs_line("food", odd_old)}) {
    EXPECT_NE(ui_->output.find(line), std::string::npos) << line;
  }
}

// The first record for the id on another server is the new home; a board
// at its listed server stays, and goes only when empty.
TEST_F(WalkLogTreeTest, NewHome) {
  const std::string third = std::string("third") + kMainSuffix;
  for (const std::string* s : {&kOld, &kNew, &third}) add_board(s->c_str(), "news");
  add_board(kOld.c_str(), "live");
  add_board(kOld.c_str(), "empty");
  for (const char* b : {"news", "live", "empty", "unlisted"}) make_dirs("log\\" + kOld + "\\" + b);
  write_file("log\\" + kOld + "\\news\\1.dat", "D");
  write_file("log\\" + kOld + "\\live\\1.dat", "L");
  walk_log_tree("log");
  EXPECT_EQ(read_file("log\\" + kNew + "\\news\\1.dat"), "D");
  EXPECT_FALSE(dir_exists("log\\" + third));
  EXPECT_TRUE(file_exists("log\\" + kOld + "\\live\\1.dat"));
  EXPECT_FALSE(dir_exists("log\\" + kOld + "\\empty"));
  EXPECT_FALSE(dir_exists("log\\" + kOld + "\\unlisted"));
  EXPECT_EQ(ui_->output, bbs_line("news", kOld));
}

TEST_F(WalkLogTreeTest, ExclusionsKeepBoardsInPlaceAndAreFlagged) {
  const std::string other = std::string("other") + kMainSuffix;
  for (const char* b : {"news", "tech", "food"}) add_board(kNew.c_str(), b);
  add_exclusion(kOld.c_str(), "news");
  add_exclusion(kOld.c_str(), "*");  // would match news too: not flagged
  add_exclusion(other.c_str(), "*all");
  add_exclusion(kOld.c_str(), "food");  // never reached for food: "*" comes first
  make_dirs("log\\" + kOld + "\\news");
  write_file("log\\" + kOld + "\\news\\1.dat", "N");
  make_dirs("log\\" + other + "\\tech");  // empty, yet excluded: not removed
  make_dirs("log\\" + other + "\\food");
  walk_log_tree("log");
  EXPECT_TRUE(file_exists("log\\" + kOld + "\\news\\1.dat"));
  EXPECT_TRUE(dir_exists("log\\" + other + "\\tech"));
  EXPECT_TRUE(dir_exists("log\\" + other + "\\food"));
  EXPECT_FALSE(dir_exists("log\\" + kNew));
  EXPECT_EQ(ui_->output, "");
  for (int i = 0; i < 4; ++i) EXPECT_EQ(g_exclusions[i].number, i % 2 ? 0 : 1) << i;
}

// A path that would be cut is never used: the entry is named and skipped.
TEST_F(WalkLogTreeTest, OverlongPathsAreSkipped) {
  add_board(kNew.c_str(), "news");
  std::string dir = "log\\" + std::string(50, 's') + kMainSuffix + "\\news";
  make_dirs(dir);
  std::string longname = dir + "\\" + std::string(259 - dir.size(), 'x') + ".dat";
  write_file(longname, "L");
  write_file(dir + "\\1.dat", "D");
  walk_log_tree("log");
  EXPECT_TRUE(file_exists(longname));
  EXPECT_EQ(read_file("log\\" + kNew + "\\news\\1.dat"), "D");
  EXPECT_NE(ui_->output.find("\r\nFile:" + longname.substr(0, 259) + "はパスが長すぎます。このファイルはスキップします。"),
            std::string::npos)
      << ui_->output;
}

}  // namespace
}  // namespace vendrit
