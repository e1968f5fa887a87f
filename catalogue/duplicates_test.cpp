#include "tests/test_support.h"
#include "catalogue/catalogue.h"
#include "vendrit_config.h"

namespace vendrit {
namespace {

std::string host(const char* name) { return std::string(name) + kMainSuffix; }

// Loads a board list of (server, board id) rows and returns the report that
// start-up appends to exclude.lst ("" when there is none).
struct Case {
  const char* what;
  std::vector<std::pair<const char*, const char*>> rows;
  std::string report;  // "|" stands for the separator line, "a news" for host(a)\tnews
};

std::string expand(const std::string& compact) {
  std::string out;
  size_t i = 0;
  while (i < compact.size()) {
    size_t end = compact.find(',', i);
    if (end == std::string::npos) end = compact.size();
    std::string item = compact.substr(i, end - i);
    if (item == "|") {
      out += "#---------------\r\n";
    } else {
      size_t sp = item.find(' ');
      out += host(item.substr(0, sp).c_str()) + "\t" + item.substr(sp + 1) + "\r\n";
    }
    i = end + 1;
  }
  return out;
}

class DuplicatesTest : public RootTest {};

TEST_F(DuplicatesTest, GroupsAndReport) {
  const Case cases[] = {
      {"no conflict", {{"a", "news"}, {"b", "other"}}, ""},
      {"identical repeat is dropped silently", {{"a", "news"}, {"a", "news"}}, ""},
      {"two servers", {{"a", "news"}, {"b", "news"}}, "|,a news,b news"},
      {"three servers form one group", {{"a", "x"}, {"b", "x"}, {"c", "x"}},
       "|,a x,b x,c x"},
      {"later group is reported first", {{"a", "x"}, {"b", "x"}, {"c", "y"}, {"d", "y"}},
       "|,c y,d y,|,a x,b x"},
      {"A B A keeps the grouped repeat", {{"a", "x"}, {"b", "x"}, {"a", "x"}},
       "|,a x,b x,a x"},
      {"A A B drops the early repeat", {{"a", "x"}, {"a", "x"}, {"b", "x"}}, "|,a x,b x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string brd;
    for (auto& r : c.rows) brd += "\t" + host(r.first) + "\t" + r.second + "\tname\r\n";
    write_file("2channel.brd", brd);
    write_file("exclude.lst", "mine.example b\r\n");
    load_exclusion_list();
    ASSERT_EQ(load_board_list(), BoardListOutcome::kLoaded);
    DuplicateOutcome out = report_duplicates();
    EXPECT_EQ(out, c.report.empty() ? DuplicateOutcome::kNone : DuplicateOutcome::kReported);
    EXPECT_EQ(read_file("exclude.lst"), "mine.example b\r\n" + expand(c.report));
  }
}

TEST_F(DuplicatesTest, UnwritableExclusionFileGivesTheShortMessage) {
  write_file("2channel.brd", "\t" + host("a") + "\tx\tn\r\n\t" + host("b") + "\tx\tn\r\n");
  write_file("exclude.lst", "");
  fault_.lock_file("exclude.lst");
  ASSERT_EQ(load_board_list(), BoardListOutcome::kLoaded);
  EXPECT_EQ(report_duplicates(), DuplicateOutcome::kReportFailed);
  EXPECT_EQ(read_file("exclude.lst"), "");
}

// The report's rows are exclusion lines themselves: started again with the
// file unedited, the conflict disappears and none of those boards is loaded.
TEST_F(DuplicatesTest, ReportExcludesItsBoardsOnTheNextStart) {
  write_file("2channel.brd", "\t" + host("a") + "\tx\tn\r\n\t" + host("b") + "\tx\tn\r\n\t" +
                                 host("c") + "\tkeep\tn\r\n");
  ASSERT_EQ(load_board_list(), BoardListOutcome::kLoaded);
  ASSERT_EQ(report_duplicates(), DuplicateOutcome::kReported);
  catalogue_reset();
  load_exclusion_list();
  ASSERT_EQ(load_board_list(), BoardListOutcome::kLoaded);
  EXPECT_EQ(report_duplicates(), DuplicateOutcome::kNone);
  ASSERT_EQ(g_board_count, 1);
  EXPECT_STREQ(g_boards[0].board_id, "keep");
}

}  // namespace
}  // namespace vendrit
