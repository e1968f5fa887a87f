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
      {in, out},  // field 21 is dropped
      {in + "Last-Modified: A\r\nETag: B\r\n", out + "Last-Modified: A\r\nETag: B\r\n"},
      {in + "Last-Modified:A\r\n", out + "Last-Modified: A\r\n"},
      {in + "Last-Modified: \r\nETag: B\r\n", out + "ETag: B\r\n"},
      {in + "ETag: B\r\n", out},  // an ETag on line 2 is lost
      {in + "\r\n\r\nLast-Modified: A\r\n\r\nETag: B\r\n", out + "Last-Modified: A\r\nETag: B\r\n"},
      {in + "last-modified: A\r\n", out},
      {in + "Last-Modified: A\r\nX: y\r\nETag: B\r\n", out + "Last-Modified: A\r\n"},
      {index_line(kFields, "\n") + "Last-Modified: A\nETag: B\n", out + "Last-Modified: A\r\nETag: B\r\n"},
      {with({{1, "007"}, {3, "abc"}, {8, "  +42x"}}), with({{1, "7"}, {3, "0"}, {8, "42"}, {21, ""}})},
      {with({{1, "99999999999"}, {3, "-99999999999"}}), with({{1, "2147483647"}, {3, "-2147483648"}, {21, ""}})},
      {with({{4, std::string(300, 'T')}, {5, std::string(150, 'h')}}), with({{4, std::string(259, 'T')}, {5, std::string(99, 'h')}, {21, ""}})},
      {with({{4, "\x83\x40\x95\x5c\x83\x7c"}}), with({{4, "\x83\x40\x95\x5c\x83\x7c"}, {21, ""}})},  // second bytes @ \ |
      {in + "Last-Modified: " + v + "\r\n", out + "Last-Modified: " + v.substr(0, 127) + "\r\n"},
      {"<none>", ""},
      {"", ""},
      {index_line(std::vector<std::string>(kFields.begin(), kFields.end() - 1)), ""},  // 19 tabs
      {index_line(kFields, "\tx\r\n"), ""},                                              // 21 tabs
      {index_line(kFields, "\n") + "a\tb\n", ""},  // LF line ends with tabs on a later line
      {std::string(in).replace(2, 0, std::string(1, '\0')), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first.substr(0, 40));
    std::remove("t.idx");
    if (c.first != "<none>") write_file("t.idx", c.first);
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
