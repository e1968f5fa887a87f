#include "platform/safe_replace.h"
#include "platform/text.h"

#include "tests/test_support.h"

namespace vendrit {
namespace {

class SafeReplaceTest : public RootTest {};

ReplaceResult replace_with(const char* path, const std::string& a, const std::string& b) {
  ByteSpan pieces[] = {{a.data(), a.size()}, {b.data(), b.size()}};
  return replace_file_contents(path, pieces, 2);
}

TEST_F(SafeReplaceTest, ReplacesWholeContentAndLeavesNoTemporaryFile) {
  make_dirs("d");
  write_file("d\\f.idx", "old content that is longer");
  EXPECT_EQ(replace_with("d\\f.idx", "new", std::string("\0x", 2)), ReplaceResult::kReplaced);
  EXPECT_EQ(read_file("d\\f.idx"), std::string("new\0x", 5));
  EXPECT_EQ(snapshot_tree("d"), std::vector<std::string>({"f.idx=" + std::string("new\0x", 5)}));
}

TEST_F(SafeReplaceTest, LockedTargetIsReportedBeforeAnythingChanges) {
  write_file("f.idx", "keep");
  fault_.lock_file("f.idx");
  EXPECT_EQ(replace_with("f.idx", "new", ""), ReplaceResult::kCannotOpen);
  EXPECT_EQ(read_file("f.idx"), "keep");
}

// Whatever step fails, the original stays whole and no temporary file is left.
TEST_F(SafeReplaceTest, EveryFailureKeepsTheOriginal) {
  const FaultOp ops[] = {FaultOp::kOpen, FaultOp::kWrite, FaultOp::kClose, FaultOp::kRename};
  for (FaultOp op : ops) {
    for (int n = 1; n <= 3; ++n) {
      write_file("f.idx", "original bytes");
      fault_.reset();
      fault_.fail_nth(op, n);
      ReplaceResult r = replace_with("f.idx", "replacement", " bytes");
      SCOPED_TRACE(std::string(fault_op_name(op)) + " #" + std::to_string(n));
      if (r == ReplaceResult::kReplaced) {
        EXPECT_EQ(read_file("f.idx"), "replacement bytes");
      } else {
        EXPECT_EQ(read_file("f.idx"), "original bytes");
      }
      EXPECT_EQ(snapshot_tree(".").size(), 1u);
    }
  }
}

TEST_F(SafeReplaceTest, TemporaryFileSitsInTheTargetDirectory) {
  char tmp[kPathSize];
  ASSERT_TRUE(temporary_path_for("log\\srv\\news\\1.idx", tmp, sizeof tmp));
  EXPECT_EQ(std::string(tmp).rfind("log\\srv\\news\\", 0), 0u);
  // The second byte of a double-byte character (0x5C) is not a separator.
  ASSERT_TRUE(temporary_path_for("\x95\x5c" "a.idx", tmp, sizeof tmp));
  EXPECT_EQ(std::string(tmp).find('\x95'), std::string::npos);
  std::string longest = std::string(kPathSize - 12, 'a') + "\\f.idx";
  EXPECT_FALSE(temporary_path_for(longest.c_str(), tmp, sizeof tmp));
}

// The temporary name is this process's own, and the walks know every
// temporary name of the program (and only those) for a leftover.
TEST_F(SafeReplaceTest, TemporaryNamesAreThisProcesssAndKnownAsLeftovers) {
  char tmp[kPathSize];
  ASSERT_TRUE(temporary_path_for("d\\f.idx", tmp, sizeof tmp));
  EXPECT_EQ(std::string(tmp), "d\\vendrit-replace-" + std::to_string(env()->process_id()) + ".tmp");
  EXPECT_TRUE(is_leftover_temporary(tmp + 2));
  // One left by an earlier process with the same id gives way.
  make_dirs("d");
  write_file(tmp, "left over");
  EXPECT_EQ(replace_with("d\\f.idx", "new", ""), ReplaceResult::kReplaced);
  EXPECT_EQ(snapshot_tree("d"), std::vector<std::string>({"f.idx=new"}));
  for (const char* name : {"vendrit-replace.tmp", "vendrit-favorite-12.tmp", "vendrit-replace-7.tmp"}) {
    EXPECT_TRUE(is_leftover_temporary(name)) << name;
  }
  for (const char* name : {"vendrit-replace-.tmp", "vendrit-replace-1x.tmp", "vendrit-notes.tmp",
                           "vendrit-replace-1.tmp.dat", "vendrit.ini", "my-vendrit-replace-1.tmp"}) {
    EXPECT_FALSE(is_leftover_temporary(name)) << name;
  }
}

}  // namespace
}  // namespace vendrit
