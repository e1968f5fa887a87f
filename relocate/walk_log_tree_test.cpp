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

// Servers of either family one or two levels below log move; capitals on disk match lower-case, in the list never;
// emptied directories go, those with filtered names stay.
TEST_F(WalkLogTreeTest, FiltersAndDepthRule) {
  const std::string sister = std::string("old") + kSisterSuffix, odd = std::string("odd") + kMainSuffix + ".bak";
  const std::string caps = "OLD" + std::string(kMainSuffix), home = "localhost" + std::string(kMainSuffix);
  const std::string prev = "prev" + std::string(kMainSuffix);
  boards(kNew, {"news", "tech", "food", "Misc"});
  for (const char* d : {"log\\a", "log\\g\\b", "log\\h\\my_dir", "log\\.hidden"}) make_dirs(d);
  files({"p\\q\\" + kOld + "\\news\\4.dat", "_" + kOld + "\\news\\5.dat", home + "\\news\\6.dat", kOld + ".txt",
         prev + "\\misc\\1.dat"});
  files({"grp\\" + kOld + "\\news\\1.dat", sister + "\\tech\\2.dat", odd + "\\food\\3.dat", caps + "\\News\\123.DAT",
         caps + "\\News\\123.IDX"});
  add_favourites("fav.idx", kOld + "\\news\\123.idx\r\n");
  walk_log_tree(run_, "log");
  EXPECT_EQ(snapshot_tree("log"), (std::vector<std::string>{
      ".hidden/",
      "_" + kOld + "/", "_" + kOld + "/news/", "_" + kOld + "/news/5.dat=D",
      "grp/", "grp/" + kNew + "/", "grp/" + kNew + "/news/", "grp/" + kNew + "/news/1.dat=D",
      "h/", "h/my_dir/",
      home + "/", home + "/news/", home + "/news/6.dat=D",
      kNew + "/", kNew + "/food/", kNew + "/food/3.dat=D",
      kNew + "/news/", kNew + "/news/123.dat=D", kNew + "/news/123.idx=D",
      kNew + "/tech/", kNew + "/tech/2.dat=D",
      kOld + ".txt=D",
      "p/", "p/q/", "p/q/" + kOld + "/", "p/q/" + kOld + "/news/", "p/q/" + kOld + "/news/4.dat=D",
      prev + "/", prev + "/misc/", prev + "/misc/1.dat=D"}));
  EXPECT_EQ(read_file("fav.idx"), kNew + "\\news\\123.idx\r\n");
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
  // The line is the only trace: a cut path used instead names a file that cannot be read.
  const std::string line = "\r\nFile:" + name.substr(0, 259) + "はパスが長すぎます。このファイルはスキップします。";
  EXPECT_NE(ui_->output.find(line), std::string::npos) << ui_->output;
}

}  // namespace
}  // namespace vendrit
