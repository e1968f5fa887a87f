#include "relocate/rewrite_favourite_paths.h"

#include <string>

#include "catalogue/catalogue.h"
#include "tests/test_support.h"

namespace vendrit {
namespace {

class RewriteFavouritePathsTest : public RootTest {};

TEST_F(RewriteFavouritePathsTest, Cases) {
  const std::string nul(1, '\0'), pad(100, 'p');
  struct Case {
    const char* what;
    std::string before, after;
  } cases[] = {
      {"entry rewritten, line ends kept", "a\r\nold.x\\news\\1.idx\r\nb\n", "a\r\nnew.x\\news\\1.idx\r\nb\n"},
      {"first occurrence only", "old.x\\news\\1.idx\r\nold.x\\news\\1.idx\r\n",
       "new.x\\news\\1.idx\r\nold.x\\news\\1.idx\r\n"},
      {"substring match", "bold.x\\news\\1.idx\r\n", "bnew.x\\news\\1.idx\r\n"},
      {"longer entry matched at its start", "old.x\\news\\1.idx2\r\n", "new.x\\news\\1.idx2\r\n"},
      {"capitals do not match", "OLD.X\\news\\1.idx\r\n", "OLD.X\\news\\1.idx\r\n"},
      {"absent", "old.x\\news\\2.idx\r\n", "old.x\\news\\2.idx\r\n"},
      {"bytes after a NUL carried", "old.x\\news\\1.idx" + nul + "tail\xff", "new.x\\news\\1.idx" + nul + "tail\xff"},
      {"search stops at a NUL", "x" + nul + "old.x\\news\\1.idx", "x" + nul + "old.x\\news\\1.idx"},
      {"larger than the work buffer", pad + "\r\nold.x\\news\\1.idx\r\n" + pad, pad + "\r\nnew.x\\news\\1.idx\r\n" + pad},
  };
  use_small_work_buffer();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_favourite_count = 0;
    add_favourites("fav.idx", c.before);
    fault_.reset();
    rewrite_favourite_paths("log\\old.x\\news\\1.idx", "log\\new.x\\news\\1.idx");
    EXPECT_EQ(read_file("fav.idx"), c.after);
    // A file without the old text is not written at all.
    EXPECT_EQ(fault_.count(FaultOp::kRename), c.before == c.after ? 0 : 1);
  }
  // The group directory is part of the text.
  add_favourites("grp.idx", "grp\\old.x\\news\\1.idx\r\n");
  rewrite_favourite_paths("log\\grp\\old.x\\news\\1.idx", "log\\grp\\new.x\\news\\1.idx");
  EXPECT_EQ(read_file("grp.idx"), "grp\\new.x\\news\\1.idx\r\n");
  EXPECT_EQ(ui_->output, "");
}

// A run reads each favourites file once, however many threads follow, and
// reads it again only when it changed on disk before it is rewritten.
TEST_F(RewriteFavouritePathsTest, EachFileIsReadOnceAndKeptUpToDate) {
  add_favourites("a.idx", "old.x\\news\\1.idx\r\nold.x\\news\\2.idx\r\n");
  copy_text(g_favourites[g_favourite_count++], kPathSize, "gone.idx");  // cannot be opened
  add_favourites("b.idx", "old.x\\news\\2.idx\r\n");
  make_dirs("dir.idx");
  copy_text(g_favourites[g_favourite_count++], kPathSize, "dir.idx");
  fault_.reset();
  EXPECT_TRUE(rewrite_favourite_paths("log\\old.x\\news\\1.idx", "log\\new.x\\news\\1.idx"));
  write_file("b.idx", "x\r\nold.x\\news\\2.idx\r\n");  // another program changes it meanwhile
  EXPECT_TRUE(rewrite_favourite_paths("log\\old.x\\news\\2.idx", "log\\new.x\\news\\2.idx"));
  EXPECT_TRUE(rewrite_favourite_paths("log\\old.x\\news\\3.idx", "log\\new.x\\news\\3.idx"));
  EXPECT_EQ(read_file("a.idx"), "new.x\\news\\1.idx\r\nnew.x\\news\\2.idx\r\n");
  EXPECT_EQ(read_file("b.idx"), "x\r\nnew.x\\news\\2.idx\r\n");
  EXPECT_FALSE(file_exists("gone.idx"));
  // a.idx and b.idx read once each and b.idx once more: a read and the
  // look for more each time.
  EXPECT_EQ(fault_.count(FaultOp::kRead), 6);
  EXPECT_EQ(ui_->output, "");
}

}  // namespace
}  // namespace vendrit
