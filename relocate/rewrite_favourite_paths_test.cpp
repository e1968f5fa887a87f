#include "relocate/rewrite_favourite_paths.h"

#include <cstdlib>
#include <string>

#include "state/work_buffer.h"
#include "catalogue/catalogue.h"
#include "platform/text.h"
#include "tests/test_support.h"

namespace vendrit {
namespace {

const char kFrom[] = "log\\old.x\\news\\1.idx";
const char kTo[] = "log\\new.x\\news\\1.idx";

class RewriteFavouritePathsTest : public RootTest {
 protected:
  void add_favourites(const std::string& name, const std::string& content) {
    write_file(name, content);
    copy_text(g_favourites[g_favourite_count++], kPathSize, name.c_str());
    favourites_forget();
  }
};

TEST_F(RewriteFavouritePathsTest, Cases) {
  const std::string nul(1, '\0');
  struct Case {
    const char* what;
    std::string before, after;
  } cases[] = {
      {"entry rewritten, line ends kept", "a\r\nold.x\\news\\1.idx\r\nb\n",
       "a\r\nnew.x\\news\\1.idx\r\nb\n"},
      {"first occurrence only", "old.x\\news\\1.idx\r\nold.x\\news\\1.idx\r\n",
       "new.x\\news\\1.idx\r\nold.x\\news\\1.idx\r\n"},
      {"substring match", "bold.x\\news\\1.idx\r\n", "bnew.x\\news\\1.idx\r\n"},
      {"longer entry matched at its start", "old.x\\news\\1.idx2\r\n", "new.x\\news\\1.idx2\r\n"},
      {"capitals do not match", "OLD.X\\news\\1.idx\r\n", "OLD.X\\news\\1.idx\r\n"},
      {"absent", "old.x\\news\\2.idx\r\n", "old.x\\news\\2.idx\r\n"},
      {"bytes after a NUL carried", "old.x\\news\\1.idx" + nul + "tail\xff",
       "new.x\\news\\1.idx" + nul + "tail\xff"},
      {"search stops at a NUL", "x" + nul + "old.x\\news\\1.idx", "x" + nul + "old.x\\news\\1.idx"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_favourite_count = 0;
    add_favourites("fav.idx", c.before);
    fault_.reset();
    rewrite_favourite_paths(kFrom, kTo);
    EXPECT_EQ(read_file("fav.idx"), c.after);
    // A file without the old text is not written at all.
    EXPECT_EQ(fault_.count(FaultOp::kRename), c.before == c.after ? 0 : 1);
  }
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
  // Another program changes b.idx in the meantime.
  write_file("b.idx", "x\r\nold.x\\news\\2.idx\r\n");
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

TEST_F(RewriteFavouritePathsTest, GroupDirectoryIsPartOfTheText) {
  add_favourites("fav.idx", "grp\\old.x\\news\\1.idx\r\n");
  rewrite_favourite_paths("log\\grp\\old.x\\news\\1.idx", "log\\grp\\new.x\\news\\1.idx");
  EXPECT_EQ(read_file("fav.idx"), "grp\\new.x\\news\\1.idx\r\n");
}

TEST_F(RewriteFavouritePathsTest, FileLargerThanTheWorkBufferIsReadWhole) {
  work_buffer_free();
  g_work.data = static_cast<char*>(malloc(16));
  g_work.size = 16;
  std::string pad(100, 'p');
  const std::string content = pad + "\r\nold.x\\news\\1.idx\r\n" + pad;
  add_favourites("fav.idx", content);
  rewrite_favourite_paths(kFrom, kTo);
  EXPECT_EQ(read_file("fav.idx"), pad + "\r\nnew.x\\news\\1.idx\r\n" + pad);
  EXPECT_EQ(ui_->output, "");
}

// A favourites file is never left cut short: it is replaced whole or kept.
TEST_F(RewriteFavouritePathsTest, UnwritableFileIsReportedAndKept) {
  const std::string content = "old.x\\news\\1.idx\r\nmore favourites\r\n";
  add_favourites("fav.idx", content);
  fault_.fail_nth(FaultOp::kOpen, 2);  // the probe for writing, after the read
  EXPECT_FALSE(rewrite_favourite_paths(kFrom, kTo));
  EXPECT_EQ(read_file("fav.idx"), content);
  EXPECT_EQ(ui_->output, "\r\nFile:fav.idxを書けませんでした。このファイルはスキップします。");

  // An existing file that cannot be opened for reading counts as well.
  for (FaultOp op : {FaultOp::kOpen, FaultOp::kRead, FaultOp::kWrite, FaultOp::kClose,
                     FaultOp::kRename}) {
    SCOPED_TRACE(fault_op_name(op));
    favourites_forget();  // a new run reads the file again
    fault_.reset();
    fault_.fail_from(op, 1);
    ui_->output.clear();
    EXPECT_FALSE(rewrite_favourite_paths(kFrom, kTo));
    fault_.reset();
    EXPECT_EQ(read_file("fav.idx"), content);
    EXPECT_NE(ui_->output, "");
    EXPECT_EQ(snapshot_tree(".").size(), 1u);
  }
}

}  // namespace
}  // namespace vendrit
