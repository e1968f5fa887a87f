#include "store/thread_index.h"

#include "tests/test_support.h"

namespace vendrit {
namespace {

class ThreadIndexTest : public RootTest {};

const std::vector<std::string> kFields = {"12", "16", "-3", "タイトル", "old.mainbbs.net", "news", "f7", "8", "9", "10", "f11",
                                          "f12", "ニュース", "14", "f15", "f16", "17", "f18", "f19", "f20", "f21"};

// kFields with the given fields (1-based) replaced.
std::string with(std::vector<std::pair<int, std::string>> changes, const std::string& end = "\r\n") {
  std::vector<std::string> f = kFields;
  for (auto& c : changes) f[c.first - 1] = c.second;
  return index_line(f, end);
}

// How a file reads and what a read-then-write leaves on disk ("" when it cannot be used).
TEST_F(ThreadIndexTest, ReadThenWriteTable) {
  const std::string in = index_line(kFields), out = with({{21, ""}}), v(200, 'v');
  const std::pair<std::string, std::string> cases[] = {
      {in + "\r\n\r\nLast-Modified: A\r\n\r\nETag: B\r\n", out + "Last-Modified: A\r\nETag: B\r\n"},  // field 21 dropped
      {in + "Last-Modified: \r\nETag: B\r\n", out + "ETag: B\r\n"},
      // Numbers saturate, a title and a header value are cut to their fields, LF line ends become CR LF.
      {with({{1, "99999999999"}, {3, "-99999999999"}, {4, v + v}}, "\n") + "Last-Modified: " + v + "\n",
       with({{1, "2147483647"}, {3, "-2147483648"}, {4, (v + v).substr(0, 259)}, {21, ""}}) + "Last-Modified: " + v.substr(0, 127) + "\r\n"},
      {index_line(kFields, "\tx\r\n"), ""},  // 21 tabs
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    write_file("t.idx", c.first);
    ThreadIndex r;
    if (!read_thread_index(env_, "t.idx", &r)) {
      EXPECT_EQ("", c.second);
      continue;
    }
    EXPECT_EQ(write_thread_index(env_, "t.idx", r), ReplaceResult::kReplaced);
    EXPECT_EQ(read_file("t.idx"), c.second);
  }
}

}  // namespace
}  // namespace vendrit
