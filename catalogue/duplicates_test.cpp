#include "catalogue/catalogue.h"
#include "tests/test_support.h"

namespace vendrit {
namespace {

const std::string kRule = "#---------------\r\n";
std::string row(const std::string& name, const std::string& id) { return name + kMainSuffix + "\t" + id + "\r\n"; }

class DuplicatesTest : public RootTest {};

// An identical repeat is dropped silently; the groups of one board id on several servers are
// appended to exclude.lst, the last group first; an unwritable exclude.lst is told apart.
TEST_F(DuplicatesTest, GroupsAndReport) {
  std::string list;
  for (const char* name : {"a", "a", "b"}) list += "\t" + row(name, "x\tn");
  for (const char* name : {"c", "d"}) list += "\t" + row(name, "y\tn");
  write_file("2channel.brd", list);
  ASSERT_EQ(load_board_list(env_, work_, catalogue_), BoardListOutcome::kLoaded);
  EXPECT_EQ(report_duplicates(env_, work_, catalogue_), DuplicateOutcome::kReported);
  EXPECT_EQ(read_file("exclude.lst"),
            kRule + row("c", "y") + row("d", "y") + kRule + row("a", "x") + row("b", "x"));
  fault_.fail_op(FaultOp::kOpen, 1);
  EXPECT_EQ(report_duplicates(env_, work_, catalogue_), DuplicateOutcome::kReportFailed);
}

}  // namespace
}  // namespace vendrit
