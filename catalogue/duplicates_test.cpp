#include "catalogue/catalogue.h"
#include "tests/test_support.h"
#include "vendrit_config.h"

namespace vendrit {
namespace {

const std::string kRule = "#---------------\r\n";
std::string row(const char* name, const char* id) { return name + std::string(kMainSuffix) + "\t" + id + "\r\n"; }

class DuplicatesTest : public RootTest {};

// Board lists of (server, board id) rows and what is appended to exclude.lst.
TEST_F(DuplicatesTest, GroupsAndReport) {
  const struct {
    const char* what;
    std::vector<std::pair<const char*, const char*>> rows;
    std::string report;
  } cases[] = {
      {"no conflict", {{"a", "news"}, {"b", "other"}}, ""},
      {"identical repeat is dropped silently", {{"a", "news"}, {"a", "news"}}, ""},
      {"two servers", {{"a", "news"}, {"b", "news"}}, kRule + row("a", "news") + row("b", "news")},
      {"three servers, one group", {{"a", "x"}, {"b", "x"}, {"c", "x"}}, kRule + row("a", "x") + row("b", "x") + row("c", "x")},
      {"later group first", {{"a", "x"}, {"b", "x"}, {"c", "y"}, {"d", "y"}},
       kRule + row("c", "y") + row("d", "y") + kRule + row("a", "x") + row("b", "x")},
      {"A B A keeps the grouped repeat", {{"a", "x"}, {"b", "x"}, {"a", "x"}},
       kRule + row("a", "x") + row("b", "x") + row("a", "x")},
      {"A A B drops the early repeat", {{"a", "x"}, {"a", "x"}, {"b", "x"}}, kRule + row("a", "x") + row("b", "x")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string brd;
    for (auto& r : c.rows) brd += "\t" + std::string(r.first) + kMainSuffix + "\t" + r.second + "\tname\r\n";
    write_file("2channel.brd", brd);
    write_file("exclude.lst", "mine.example b\r\n");
    load_exclusion_list(env_, work_, catalogue_);
    ASSERT_EQ(load_board_list(env_, work_, catalogue_), BoardListOutcome::kLoaded);
    EXPECT_EQ(report_duplicates(env_, work_, catalogue_), c.report.empty() ? DuplicateOutcome::kNone : DuplicateOutcome::kReported);
    EXPECT_EQ(read_file("exclude.lst"), "mine.example b\r\n" + c.report);
  }
  // An exclude.lst that cannot be written holds no report.
  write_file("2channel.brd", "\t" + row("d", "z\tn") + "\t" + row("e", "z\tn"));
  fault_.lock_file("exclude.lst");
  ASSERT_EQ(load_board_list(env_, work_, catalogue_), BoardListOutcome::kLoaded);
  EXPECT_EQ(report_duplicates(env_, work_, catalogue_), DuplicateOutcome::kReportFailed);
}

}  // namespace
}  // namespace vendrit
