#include "relocate/walk_log_tree.h"

#include "tests/test_support.h"
#include "vendrit_config.h"

namespace vendrit {
namespace {

const std::string kOld = std::string("old") + kMainSuffix, kNew = std::string("new") + kMainSuffix;

class WalkLogTreeTest : public RootTest {
 protected:
  static void files(const std::vector<std::string>& paths) {
    for (const std::string& f : paths) write_file("log\\" + f, "D");
  }
  void boards(const std::string& server, const std::vector<const char*>& ids) {
    for (const char* id : ids) add_board(server.c_str(), id);
  }
};

// Servers of either family one or two levels below log move; capitals on disk match lower-case, in the list never.
TEST_F(WalkLogTreeTest, FiltersAndDepthRule) {
  const std::string sister = std::string("old") + kSisterSuffix, odd = std::string("odd") + kMainSuffix + ".bak";
  boards(kNew, {"news", "tech", "food", "Misc"});
  // a and g\b go (and then g); h\c\deep is three levels outside a server; the others are filtered names.
  const std::string kept[] = {"h\\c\\deep", "h\\my_dir", "_x", ".hidden", "localhost.1"};
  for (const std::string& d : kept) make_dirs("log\\" + d);
  for (const char* d : {"log\\a", "log\\g\\b"}) make_dirs(d);
  const std::vector<std::string> stay = {"p\\q\\" + kOld + "\\news\\4.dat",  // two levels below a non-server
                                         "_" + kOld + "\\news\\5.dat", "localhost" + std::string(kMainSuffix) + "\\news\\6.dat",
                                         kOld + ".txt", "prev" + std::string(kMainSuffix) + "\\misc\\1.dat"};
  files(stay);
  files({"grp\\" + kOld + "\\news\\1.dat", sister + "\\tech\\2.dat", odd + "\\food\\3.dat",
         "OLD" + std::string(kMainSuffix) + "\\News\\123.DAT", "OLD" + std::string(kMainSuffix) + "\\News\\123.IDX"});
  add_favourites("fav.idx", kOld + "\\news\\123.idx\r\n");
  walk_log_tree(run_, "log");
  EXPECT_EQ(snapshot_tree("log\\" + kNew + "\\news"), std::vector<std::string>({"123.dat=D", "123.idx=D"}));
  EXPECT_EQ(read_file("fav.idx"), kNew + "\\news\\123.idx\r\n");
  for (const char* d : {"log\\a", "log\\g"}) EXPECT_FALSE(dir_exists(d)) << d;
  for (const std::string& d : kept) EXPECT_TRUE(dir_exists("log\\" + d)) << d;
  for (const std::string& f : stay) EXPECT_TRUE(file_exists("log\\" + f)) << f;
  for (const std::string& f : {"grp\\" + kNew + "\\news\\1.dat", kNew + "\\tech\\2.dat", kNew + "\\food\\3.dat"})
    EXPECT_TRUE(file_exists("log\\" + f)) << f;
  for (const std::string& d : {"grp\\" + kOld, sister}) EXPECT_FALSE(dir_exists("log\\" + d)) << d;  // emptied servers go
}

// The first record on another server is the new home; a board at its listed server stays unless empty.
TEST_F(WalkLogTreeTest, NewHome) {
  for (const std::string& s : {kOld, kNew, std::string("third") + kMainSuffix}) boards(s, {"news"});
  boards(kOld, {"live", "empty"});
  for (const char* d : {"empty", "unlisted"}) make_dirs("log\\" + kOld + "\\" + d);
  files({kOld + "\\news\\1.dat", kOld + "\\live\\1.dat"});
  walk_log_tree(run_, "log");
  EXPECT_EQ(snapshot_tree("log"), (std::vector<std::string>{kNew + "/", kNew + "/news/", kNew + "/news/1.dat=D", kOld + "/",
                                                            kOld + "/live/", kOld + "/live/1.dat=D"}));
}

TEST_F(WalkLogTreeTest, ExclusionsKeepBoardsInPlaceAndAreFlagged) {
  const std::string other = std::string("other") + kMainSuffix;
  boards(kNew, {"news", "tech", "food"});
  add_exclusion(kOld.c_str(), "news");
  add_exclusion(kOld.c_str(), "*");  // would match news too: not flagged
  add_exclusion(other.c_str(), "*all");
  add_exclusion(kOld.c_str(), "food");  // never reached for food: "*" comes first
  files({kOld + "\\news\\1.dat"});
  for (const char* d : {"tech", "food"}) make_dirs("log\\" + other + "\\" + d);  // empty, yet excluded: kept
  walk_log_tree(run_, "log");
  EXPECT_EQ(snapshot_tree("log"), (std::vector<std::string>{kOld + "/", kOld + "/news/", kOld + "/news/1.dat=D", other + "/",
                                                            other + "/food/", other + "/tech/"}));
  EXPECT_EQ(ui_->output, "");
  for (int i = 0; i < 4; ++i) EXPECT_EQ(catalogue_.exclusions[i].number, i % 2 ? 0 : 1) << i;
}

// A path that would be cut is never used: the entry is named and skipped.
TEST_F(WalkLogTreeTest, OverlongPathsAreSkipped) {
  add_board(kNew.c_str(), "news");
  const std::string dir = std::string(50, 's') + kMainSuffix + "\\news";
  const std::string name = "log\\" + dir + "\\" + std::string(255 - dir.size(), 'x') + ".dat";
  files({dir + "\\1.dat"});
  write_file(name, "L");
  walk_log_tree(run_, "log");
  EXPECT_TRUE(file_exists(name));
  EXPECT_TRUE(file_exists("log\\" + kNew + "\\news\\1.dat"));
  EXPECT_NE(ui_->output.find(name.substr(0, 259)), std::string::npos) << ui_->output;
}

}  // namespace
}  // namespace vendrit
