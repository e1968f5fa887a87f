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

std::string upper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

class WalkLogTreeTest : public RootTest {
 protected:
  std::string bbs_line(const std::string& board, const std::string& from, const std::string& to) {
    return "\r\nBBS:" + board + "  " + from + "->" + to;
  }
};

TEST_F(WalkLogTreeTest, MovesABoardAndRemovesWhatIsEmpty) {
  add_board(kNew.c_str(), "news");
  make_dirs("log\\" + kOld + "\\news");
  write_file("log\\" + kOld + "\\news\\1.dat", "D");
  write_file("log\\" + kOld + "\\news\\1.idx", "I");
  walk_log_tree("log");
  EXPECT_EQ(ui_->output, bbs_line("news", kOld, kNew));
  EXPECT_EQ(snapshot_tree("log"), std::vector<std::string>({kNew + "/", kNew + "/news/",
                                                            kNew + "/news/1.dat=D",
                                                            kNew + "/news/1.idx=I"}));
}

// Names on disk may carry capitals: they are matched and rebuilt lower-case,
// while the sources are opened under the names the listing gave.
TEST_F(WalkLogTreeTest, CapitalsInServerBoardAndFileNames) {
  add_board(kNew.c_str(), "news");
  std::string from = "log\\" + upper(kOld) + "\\News";
  make_dirs(from);
  write_file(from + "\\123.DAT", "D");
  write_file(from + "\\123.IDX", "I");
  write_file("fav.idx", kOld + "\\news\\123.idx\r\n");
  copy_text(g_favourites[g_favourite_count++], kPathSize, "fav.idx");
  walk_log_tree("log");
  EXPECT_EQ(ui_->output, bbs_line("news", kOld, kNew));
  EXPECT_EQ(snapshot_tree("log"), std::vector<std::string>({kNew + "/", kNew + "/news/",
                                                            kNew + "/news/123.dat=D",
                                                            kNew + "/news/123.idx=I"}));
  EXPECT_EQ(read_file("fav.idx"), kNew + "\\news\\123.idx\r\n");
}

TEST_F(WalkLogTreeTest, BoardIdsWithCapitalsInTheBoardListNeverMatch) {
  add_board(kNew.c_str(), "News");
  make_dirs("log\\" + kOld + "\\news");
  write_file("log\\" + kOld + "\\news\\1.dat", "D");
  walk_log_tree("log");
  EXPECT_EQ(ui_->output, "");
  EXPECT_TRUE(file_exists("log\\" + kOld + "\\news\\1.dat"));
}

// Which directories are walked, moved and removed, by name and depth.
TEST_F(WalkLogTreeTest, FiltersAndDepthRule) {
  add_board(kNew.c_str(), "news");
  const char* empty_dirs[] = {
      "log\\a",                          // one level: removed
      "log\\g\\b",                       // two levels: removed, and then g
      "log\\h\\c\\deep",                 // three levels outside a server: kept
      "log\\_x", "log\\.hidden", "log\\localhost.1", "log\\h\\my_dir",  // names filtered
  };
  for (const char* d : empty_dirs) make_dirs(d);
  // A board under a filtered server name is not moved either.
  make_dirs("log\\_" + kOld + "\\news");
  write_file("log\\_" + kOld + "\\news\\1.dat", "D");
  make_dirs("log\\localhost" + std::string(kMainSuffix) + "\\news");
  write_file("log\\" + kOld + ".txt", "a file named like a server");
  walk_log_tree("log");
  EXPECT_FALSE(dir_exists("log\\a"));
  EXPECT_FALSE(dir_exists("log\\g"));
  EXPECT_TRUE(dir_exists("log\\h\\c\\deep"));
  EXPECT_TRUE(dir_exists("log\\h\\my_dir"));
  EXPECT_TRUE(dir_exists("log\\_x"));
  EXPECT_TRUE(dir_exists("log\\.hidden"));
  EXPECT_TRUE(dir_exists("log\\localhost.1"));
  EXPECT_TRUE(file_exists("log\\_" + kOld + "\\news\\1.dat"));
  EXPECT_TRUE(dir_exists("log\\localhost" + std::string(kMainSuffix) + "\\news"));
  EXPECT_FALSE(dir_exists("log\\" + kNew));
  EXPECT_EQ(ui_->output, "");
}

// Server directories one and two levels below log, of either family, and
// the suffix anywhere in the path.
TEST_F(WalkLogTreeTest, ServerDirectoriesAreRecognisedBySuffix) {
  const std::string sister_old = std::string("old") + kSisterSuffix;
  const std::string odd_old = std::string("odd") + kMainSuffix + ".bak";
  add_board(kNew.c_str(), "news");
  add_board(kNew.c_str(), "tech");
  add_board(kNew.c_str(), "food");
  make_dirs("log\\grp\\" + kOld + "\\news");
  write_file("log\\grp\\" + kOld + "\\news\\1.dat", "G");
  make_dirs("log\\" + sister_old + "\\tech");
  write_file("log\\" + sister_old + "\\tech\\2.dat", "S");
  make_dirs("log\\" + odd_old + "\\food");
  write_file("log\\" + odd_old + "\\food\\3.dat", "O");
  // Two levels below a non-server directory are not looked into.
  make_dirs("log\\a\\b\\" + kOld + "\\news");
  write_file("log\\a\\b\\" + kOld + "\\news\\4.dat", "deep");
  walk_log_tree("log");
  EXPECT_EQ(read_file("log\\grp\\" + kNew + "\\news\\1.dat"), "G");
  EXPECT_EQ(read_file("log\\" + kNew + "\\tech\\2.dat"), "S");
  EXPECT_EQ(read_file("log\\" + kNew + "\\food\\3.dat"), "O");
  EXPECT_EQ(read_file("log\\a\\b\\" + kOld + "\\news\\4.dat"), "deep");
  std::string out = ui_->output;
  EXPECT_NE(out.find(bbs_line("news", kOld, kNew)), std::string::npos);
  EXPECT_NE(out.find(bbs_line("tech", sister_old, kNew)), std::string::npos);
  EXPECT_NE(out.find(bbs_line("food", odd_old, kNew)), std::string::npos);
  // The emptied old server directories went; the group stays with the new one.
  EXPECT_FALSE(dir_exists("log\\grp\\" + kOld));
  EXPECT_FALSE(dir_exists("log\\" + sister_old));
}

TEST_F(WalkLogTreeTest, BoardAtItsListedServerStaysAndGoesOnlyWhenEmpty) {
  add_board(kOld.c_str(), "news");
  add_board(kOld.c_str(), "empty");
  make_dirs("log\\" + kOld + "\\news");
  write_file("log\\" + kOld + "\\news\\1.dat", "D");
  make_dirs("log\\" + kOld + "\\empty");
  make_dirs("log\\" + kOld + "\\unlisted");
  walk_log_tree("log");
  EXPECT_TRUE(file_exists("log\\" + kOld + "\\news\\1.dat"));
  EXPECT_FALSE(dir_exists("log\\" + kOld + "\\empty"));
  EXPECT_FALSE(dir_exists("log\\" + kOld + "\\unlisted"));
  EXPECT_EQ(ui_->output, "");
}

// The first record for the id on another server wins.
TEST_F(WalkLogTreeTest, FirstRecordOnAnotherServerIsTheNewHome) {
  const std::string third = std::string("third") + kMainSuffix;
  add_board(kOld.c_str(), "news");
  add_board(kNew.c_str(), "news");
  add_board(third.c_str(), "news");
  make_dirs("log\\" + kOld + "\\news");
  write_file("log\\" + kOld + "\\news\\1.dat", "D");
  walk_log_tree("log");
  EXPECT_EQ(read_file("log\\" + kNew + "\\news\\1.dat"), "D");
  EXPECT_FALSE(dir_exists("log\\" + third));
}

TEST_F(WalkLogTreeTest, ExclusionsKeepBoardsInPlaceAndAreFlagged) {
  const std::string other = std::string("other") + kMainSuffix;
  add_board(kNew.c_str(), "news");
  add_board(kNew.c_str(), "tech");
  add_board(kNew.c_str(), "food");
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
  EXPECT_EQ(g_exclusions[0].number, 1);
  EXPECT_EQ(g_exclusions[1].number, 0);
  EXPECT_EQ(g_exclusions[2].number, 1);
  EXPECT_EQ(g_exclusions[3].number, 0);
}

TEST_F(WalkLogTreeTest, IsExcludedMatchesExactly) {
  add_exclusion("a.x", "news");
  add_exclusion("b.x", "*");
  struct Case {
    const char* server;
    const char* board;
    int result;
  } cases[] = {{"a.x", "news", 1}, {"a.x", "new", 0}, {"A.x", "news", 0},
               {"b.x", "any", 1},  {"c.x", "news", 0}, {"a.x", "News", 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(is_excluded(c.server, c.board), c.result) << c.server << " " << c.board;
  }
}

// A path that would be cut is never used: the entry is named and skipped.
TEST_F(WalkLogTreeTest, OverlongPathsAreSkipped) {
  std::string server = std::string(50, 's') + kMainSuffix;
  add_board(kNew.c_str(), "news");
  std::string dir = "log\\" + server + "\\news";
  make_dirs(dir);
  std::string longname = std::string(259 - dir.size(), 'x') + ".dat";
  write_file(dir + "\\" + longname, "L");
  write_file(dir + "\\1.dat", "D");
  walk_log_tree("log");
  EXPECT_TRUE(file_exists(dir + "\\" + longname));
  EXPECT_EQ(read_file("log\\" + kNew + "\\news\\1.dat"), "D");
  std::string cut = (dir + "\\" + longname).substr(0, 259);
  EXPECT_NE(ui_->output.find("\r\nFile:" + cut + "はパスが長すぎます。このファイルはスキップします。"),
            std::string::npos)
      << ui_->output;
}

TEST_F(WalkLogTreeTest, UnlistableLogIsSilent) {
  walk_log_tree("log");
  EXPECT_EQ(ui_->output, "");
}

}  // namespace
}  // namespace vendrit
