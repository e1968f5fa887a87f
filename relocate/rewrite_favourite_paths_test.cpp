#include "relocate/rewrite_favourite_paths.h"

#include "tests/test_support.h"

namespace vendrit {
namespace {

class RewriteFavouritePathsTest : public RootTest {
 protected:
  // The favourites of threads `numbers` of one board follow it from old.x to new.x.
  bool rewrite(const char* dir, std::vector<std::string> numbers = {"1"}) {
    std::vector<std::string> paths;
    for (const std::string& n : numbers) {
      paths.push_back("log\\" + std::string(dir) + "old.x\\news\\" + n + ".idx");
      paths.push_back("log\\" + std::string(dir) + "new.x\\news\\" + n + ".idx");
    }
    std::vector<FavouriteMove> moves(numbers.size());
    for (size_t i = 0; i < moves.size(); ++i) {
      moves[i].source_index = paths[2 * i].c_str();
      moves[i].destination_index = paths[2 * i + 1].c_str();
    }
    follow_favourites(run_, &moves);
    bool all = true;
    for (const FavouriteMove& m : moves) all = all && !m.failed;
    return all;
  }
};

TEST_F(RewriteFavouritePathsTest, Cases) {
  const std::string nul(1, '\0'), pad(100, 'p'), old = "old.x\\news\\1.idx", now = "new.x\\news\\1.idx";
  const std::pair<std::string, std::string> cases[] = {
      {"a\r\n" + old + "\r\nb\n", "a\r\n" + now + "\r\nb\n"},  // line ends kept
      {old + "\r\n" + old + "\r\n", now + "\r\n" + old + "\r\n"},  // the first occurrence only
      {"b" + old + "\r\n", "b" + now + "\r\n"},  // inside a longer entry
      {"old.x\\news\\2.idx\r\n", "old.x\\news\\2.idx\r\n"},
      {"OLD.X\\news\\1.idx\r\n", "OLD.X\\news\\1.idx\r\n"},  // capitals do not match
      {old + nul + "tail\xff", now + nul + "tail\xff"},  // bytes after a NUL carried
      {"x" + nul + old, "x" + nul + old},  // the search stops at a NUL
      {pad + "\r\n" + old + "\r\n" + pad, pad + "\r\n" + now + "\r\n" + pad},  // larger than the work buffer
  };
  use_small_work_buffer();
  for (const auto& c : cases) {
    catalogue_.favourites.clear();
    add_favourites("fav.idx", c.first);
    fault_.reset();
    rewrite("");
    EXPECT_EQ(read_file("fav.idx"), c.second);
    EXPECT_EQ(fault_.count(FaultOp::kRename), c.first == c.second ? 0 : 1);  // unchanged: not written at all
  }
  // The group directory is part of the text.
  add_favourites("grp.idx", "grp\\" + old + "\r\n");
  rewrite("grp\\");
  EXPECT_EQ(read_file("grp.idx"), "grp\\" + now + "\r\n");
  // A board's threads together: each file is written once, as if each thread followed in turn.
  catalogue_.favourites.clear();
  add_favourites("fav.idx", "old.x\\news\\2.idx\r\n" + old + "\r\n" + old + "\r\n");
  fault_.reset();
  rewrite("", {"1", "2", "1"});
  EXPECT_EQ(read_file("fav.idx"), "new.x\\news\\2.idx\r\n" + now + "\r\n" + now + "\r\n");
  EXPECT_EQ(fault_.count(FaultOp::kRename), 1);
  EXPECT_EQ(ui_->output, "");
}

// Each favourites file is read once a run, again only when changed on disk; unopenable ones and directories are passed over.
TEST_F(RewriteFavouritePathsTest, EachFileIsReadOnceAndKeptUpToDate) {
  add_favourites("a.idx", "old.x\\news\\1.idx\r\nold.x\\news\\2.idx\r\n");
  catalogue_.favourites.push_back("gone.idx");
  add_favourites("b.idx", "old.x\\news\\2.idx\r\n");
  make_dirs("dir.idx");
  catalogue_.favourites.push_back("dir.idx");
  fault_.reset();
  EXPECT_TRUE(rewrite("", {"1"}));
  write_file("b.idx", "x\r\nold.x\\news\\2.idx\r\n");  // another program changes it meanwhile
  EXPECT_TRUE(rewrite("", {"2"}));
  EXPECT_TRUE(rewrite("", {"3"}));
  EXPECT_EQ(read_file("a.idx"), "new.x\\news\\1.idx\r\nnew.x\\news\\2.idx\r\n");
  EXPECT_EQ(read_file("b.idx"), "x\r\nnew.x\\news\\2.idx\r\n");
  EXPECT_FALSE(file_exists("gone.idx"));
  // a.idx and b.idx read once each and b.idx once more: a read and the look for more each time.
  EXPECT_EQ(fault_.count(FaultOp::kRead), 6);
  EXPECT_EQ(ui_->output, "");
}

}  // namespace
}  // namespace vendrit
