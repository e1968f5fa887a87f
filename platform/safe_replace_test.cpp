#include "platform/safe_replace.h"

#include "platform/text.h"
#include "tests/test_support.h"

namespace vendrit {
namespace {

class SafeReplaceTest : public RootTest {};

// The file is replaced whole (NUL bytes too) or not at all: a target whose write probe fails is
// refused before anything changes, a failed write, close or rename keeps the original, and no
// temporary file is left either way (nor by a writer dropped before its commit).
TEST_F(SafeReplaceTest, WholeOrNotAtAll) {
  make_dirs("d");
  const std::string bytes("new\0x", 5);
  const ByteSpan pieces[] = {{bytes.data(), 3}, {bytes.data() + 3, 2}};
  const FaultOp ops[] = {FaultOp::kOpen, FaultOp::kWrite, FaultOp::kClose, FaultOp::kRename};
  for (int row = 0; row < 5; ++row) {  // each op failing, nothing failing
    SCOPED_TRACE(row);
    write_file("d\\f.idx", "original bytes");
    fault_.reset();
    if (row < 4) fault_.fail_op(ops[row], 1);
    const ReplaceResult r = replace_file_contents(env_, "d\\f.idx", pieces, 2);
    ReplacingWriter(env_, "d\\f.idx").write("x", 1);  // dropped before its commit
    if (row == 0) {
      EXPECT_EQ(r, ReplaceResult::kCannotOpen);
    }
    EXPECT_EQ(r == ReplaceResult::kReplaced, row == 4);
    EXPECT_EQ(snapshot_tree("d"), std::vector<std::string>{"f.idx=" + (row == 4 ? bytes : "original bytes")});
  }
}

// The temporary file is this process's own, in its target's directory (the
// second byte 0x5C of 表 is no separator).
TEST_F(SafeReplaceTest, TemporaryNames) {
  const std::string own = "vendrit-replace-" + std::to_string(fault_.process_id()) + ".tmp";
  char tmp[kPathSize];
  ASSERT_TRUE(temporary_path_for(env_, "\x95\x5c\\\x95\x5c" "a.idx", tmp, sizeof tmp));
  EXPECT_EQ(tmp, "\x95\x5c\\" + own);
}

}  // namespace
}  // namespace vendrit
