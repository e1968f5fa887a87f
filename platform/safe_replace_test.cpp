#include "platform/safe_replace.h"

#include "platform/text.h"
#include "tests/test_support.h"

namespace vendrit {
namespace {

class SafeReplaceTest : public RootTest {};

// The file is replaced whole (NUL bytes too) or not at all: a locked target
// is refused before anything changes, a failed open, write, close or rename
// keeps the original, no temporary file is left either way (nor by a writer
// dropped before its commit), and a leftover of this process's own temporary
// name gives way.
TEST_F(SafeReplaceTest, WholeOrNotAtAll) {
  make_dirs("d");
  char tmp[kPathSize];
  ASSERT_TRUE(temporary_path_for(env_, "d\\f.idx", tmp, sizeof tmp));
  const FaultOp ops[] = {FaultOp::kOpen, FaultOp::kWrite, FaultOp::kClose, FaultOp::kRename};
  for (int row = -2; row < 12; ++row) {  // leftover, locked, then each op failing 1st to 3rd
    SCOPED_TRACE(row);
    write_file("d\\f.idx", "original bytes");
    fault_.reset();
    if (row == -2) write_file(tmp, "left over");
    if (row == -1) fault_.lock_file("d\\f.idx");
    if (row >= 0) fault_.fail_nth(ops[row / 3], row % 3 + 1);
    const std::string a = "new", b("\0x", 2);
    const ByteSpan pieces[] = {{a.data(), a.size()}, {b.data(), b.size()}};
    ReplaceResult r = replace_file_contents(env_, "d\\f.idx", pieces, 2);
    ReplacingWriter(env_, "d\\f.idx").write("x", 1);
    if (row < 0) {
      EXPECT_EQ(r, row == -2 ? ReplaceResult::kReplaced : ReplaceResult::kCannotOpen);
    }
    EXPECT_EQ(snapshot_tree("d"), std::vector<std::string>{"f.idx=" + (r == ReplaceResult::kReplaced ? a + b : "original bytes")});
  }
}

// The temporary file is this process's own, in its target's directory (the
// second byte 0x5C of 表 is no separator), and the walks know every temporary
// name of the program, and only those, for a leftover.
TEST_F(SafeReplaceTest, TemporaryNames) {
  const std::string own = "vendrit-replace-" + std::to_string(fault_.process_id()) + ".tmp";
  char tmp[kPathSize];
  ASSERT_TRUE(temporary_path_for(env_, "log\\srv\\1.idx", tmp, sizeof tmp));
  EXPECT_EQ(std::string(tmp), "log\\srv\\" + own);
  ASSERT_TRUE(temporary_path_for(env_, "\x95\x5c" "a.idx", tmp, sizeof tmp));
  EXPECT_EQ(std::string(tmp), own);
  EXPECT_FALSE(temporary_path_for(env_, (std::string(kPathSize - 12, 'a') + "\\f.idx").c_str(), tmp, sizeof tmp));
  for (const std::string& name : {own, std::string("vendrit-replace.tmp"), std::string("vendrit-favorite-12.tmp")}) {
    EXPECT_TRUE(is_leftover_temporary(name.c_str())) << name;
  }
  for (const char* name : {"vendrit-replace-.tmp", "vendrit-replace-1x.tmp", "vendrit-notes.tmp",
                           "vendrit-replace-1.tmp.dat", "vendrit.ini", "my-vendrit-replace-1.tmp"}) {
    EXPECT_FALSE(is_leftover_temporary(name)) << name;
  }
}

}  // namespace
}  // namespace vendrit
