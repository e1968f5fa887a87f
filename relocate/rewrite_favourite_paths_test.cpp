#include "relocate/rewrite_favourite_paths.h"

#include <deque>

#include "tests/test_support.h"

namespace vendrit {
namespace {

const std::string kOldDir = "grp\\old.x\\news\\", kNewDir = "grp\\newer.x\\news\\";

class RewriteFavouritePathsTest : public RootTest {
 protected:
  // The favourites of threads `numbers` of one board follow it from old.x to newer.x (a longer name, so every later place moves).
  void rewrite(const std::vector<std::string>& numbers) {
    std::deque<std::string> paths;  // growing at its end, it keeps the texts the moves point to
    std::vector<FavouriteMove> moves;
    for (const std::string& n : numbers) {
      paths.push_back("log\\" + kOldDir + n + ".idx");
      paths.push_back("log\\" + kNewDir + n + ".idx");
      FavouriteMove m;
      m.source_index = paths.end()[-2].c_str();
      m.destination_index = paths.back().c_str();
      moves.push_back(m);
    }
    follow_favourites(run_, &moves);
  }
};

// The old path text follows wherever it stands, up to a NUL; an unchanged file is not written at all.
TEST_F(RewriteFavouritePathsTest, Cases) {
  const std::string nul(1, '\0'), old = kOldDir + "1.idx", now = kNewDir + "1.idx";
  const std::pair<std::string, std::string> cases[] = {
      {"b" + old, "b" + now},
      {old + nul + "\xff", now + nul + "\xff"},  // bytes after a NUL carried
      {"x" + nul + old, "x" + nul + old},  // the search stops at a NUL
  };
  for (const auto& c : cases) {
    catalogue_.favourites.clear();
    add_favourites("fav.idx", c.first);
    fault_.reset();
    rewrite({"1"});
    EXPECT_EQ(read_file("fav.idx"), c.second);
    EXPECT_EQ(fault_.count(FaultOp::kRename), c.first == c.second ? 0 : 1);
  }
}

// A board's threads together: each file is written once, as if each thread followed in turn;
// missing favourites files and directories are passed over without a word, the next time too.
TEST_F(RewriteFavouritePathsTest, BoardTogether) {
  catalogue_.favourites = {"gone.idx", "dir.idx"};
  make_dirs("dir.idx");
  add_favourites("a.idx", kOldDir + "2.idx\r\n" + kOldDir + "1.idx\r\n" + kOldDir + "1.idx\r\n");
  rewrite({"3"});
  fault_.reset();
  rewrite({"1", "2", "1"});
  EXPECT_EQ(read_file("a.idx"), kNewDir + "2.idx\r\n" + kNewDir + "1.idx\r\n" + kNewDir + "1.idx\r\n");
  EXPECT_EQ(fault_.count(FaultOp::kRename), 1);
  EXPECT_EQ(ui_->output, "");
}

}  // namespace
}  // namespace vendrit
