#include "store/thread_index.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/text.h"
#include "tests/test_support.h"

namespace vendrit {
namespace {

class ThreadIndexTest : public RootTest {};

// Line 1 from 21 field texts, joined by tabs; `end` follows the last field.
std::string line1(const std::vector<std::string>& fields, const std::string& end = "\r\n") {
  std::string out;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) out += '\t';
    out += fields[i];
  }
  return out + end;
}

std::vector<std::string> sample_fields() {
  return {"12", "16", "-3", "タイトル", "old.mainbbs.net", "news", "f7", "8", "9", "10", "f11",
          "f12", "ニュース", "14", "f15", "f16", "17", "f18", "f19", "f20", "f21"};
}

std::string round_trip(const std::string& content, bool* usable = nullptr) {
  write_file("t.idx", content);
  ThreadIndex r;
  bool ok = read_thread_index("t.idx", &r);
  if (usable) *usable = ok;
  if (!ok) return "<unusable>";
  EXPECT_EQ(write_thread_index("t.idx", r), ReplaceResult::kReplaced);
  return read_file("t.idx");
}

TEST_F(ThreadIndexTest, ReadsEveryField) {
  write_file("t.idx", line1(sample_fields()) + "Last-Modified: Sat, 01 Jan 2000\r\nETag: \"abc\"\r\n");
  ThreadIndex r;
  ASSERT_TRUE(read_thread_index("t.idx", &r));
  EXPECT_EQ(r.kept_numbers[0], 12);
  EXPECT_EQ(r.flags & kThreadFlagDropped, kThreadFlagDropped);
  EXPECT_EQ(r.kept_numbers[1], -3);
  EXPECT_STREQ(r.title, "タイトル");
  EXPECT_STREQ(r.host, "old.mainbbs.net");
  EXPECT_STREQ(r.board_id, "news");
  EXPECT_STREQ(r.board_name, "ニュース");
  EXPECT_EQ(r.kept_numbers[6], 17);
  EXPECT_STREQ(r.kept_texts[6], "f20");
  EXPECT_STREQ(r.last_modified, "Sat, 01 Jan 2000");
  EXPECT_STREQ(r.etag, "\"abc\"");
}

// How a file reads and what a read-then-write leaves on disk.
TEST_F(ThreadIndexTest, ReadThenWriteTable) {
  std::vector<std::string> f = sample_fields();
  std::vector<std::string> f_out = f;
  f_out[20] = "";
  const std::string written = line1(f_out);
  std::vector<std::string> padded = f;
  padded[0] = "007";
  padded[2] = "abc";
  std::vector<std::string> padded_out = f_out;
  padded_out[0] = "7";
  padded_out[2] = "0";
  std::vector<std::string> big = f, big_out = f_out;
  big[0] = "99999999999";
  big[2] = "-99999999999";
  big_out[0] = "2147483647";
  big_out[2] = "-2147483648";
  std::vector<std::string> spaced = f, spaced_out = f_out;
  spaced[7] = "  +42x";
  spaced_out[7] = "42";
  std::vector<std::string> longf = f, longf_out = f_out;
  longf[3] = std::string(300, 'T');   // longer than the slot
  longf[4] = std::string(150, 'h');   // longer than the host field
  longf_out[3] = std::string(259, 'T');
  longf_out[4] = std::string(99, 'h');
  std::vector<std::string> sjis = f, sjis_out = f_out;
  sjis[3] = sjis_out[3] = "\x83\x40\x95\x5c\x83\x7c";  // second bytes 0x40, 0x5C, 0x7C
  const std::string long_value(200, 'v');

  struct Case {
    const char* what;
    std::string in;
    std::string out;  // "<unusable>" when the file cannot be used
  } cases[] = {
      {"line 1 alone", line1(f), written},
      {"field 21 is dropped", line1(f), written},
      {"header lines kept", line1(f) + "Last-Modified: A\r\nETag: B\r\n",
       written + "Last-Modified: A\r\nETag: B\r\n"},
      {"no blank after the colon", line1(f) + "Last-Modified:A\r\n",
       written + "Last-Modified: A\r\n"},
      {"empty Last-Modified", line1(f) + "Last-Modified: \r\nETag: B\r\n", written + "ETag: B\r\n"},
      {"ETag on line 2 is lost", line1(f) + "ETag: B\r\n", written},
      {"blank lines before the headers", line1(f) + "\r\n\r\nLast-Modified: A\r\n\r\nETag: B\r\n",
       written + "Last-Modified: A\r\nETag: B\r\n"},
      {"header in lower case", line1(f) + "last-modified: A\r\n", written},
      {"other lines dropped", line1(f) + "Last-Modified: A\r\nX: y\r\nETag: B\r\n",
       written + "Last-Modified: A\r\n"},
      {"LF line ends", line1(f, "\n") + "Last-Modified: A\nETag: B\n",
       written + "Last-Modified: A\r\nETag: B\r\n"},
      {"no line end at all", line1(f, ""), written},
      {"integers normalised", line1(padded), line1(padded_out)},
      {"integers saturate", line1(big), line1(big_out)},
      {"leading blanks and sign", line1(spaced), line1(spaced_out)},
      {"long fields cut", line1(longf), line1(longf_out)},
      {"Shift_JIS title carried", line1(sjis), line1(sjis_out)},
      {"long header value cut", line1(f) + "Last-Modified: " + long_value + "\r\n",
       written + "Last-Modified: " + long_value.substr(0, 127) + "\r\n"},
      {"empty file", "", "<unusable>"},
      {"19 tabs", line1(std::vector<std::string>(f.begin(), f.end() - 1)), "<unusable>"},
      {"21 tabs", line1(f, "\tx\r\n"), "<unusable>"},
      {"LF ends with tabs on a later line", line1(f, "\n") + "a\tb\n", "<unusable>"},
      {"control byte inside line 1", line1(f, "\r\n").replace(2, 0, "\x01"), "<unusable>"},
      {"NUL inside line 1", line1(f).replace(2, 0, std::string(1, '\0')), "<unusable>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(round_trip(c.in), c.out);
  }
}

TEST_F(ThreadIndexTest, OnlyTheWindowIsParsed) {
  std::string head = line1(sample_fields()) + "Last-Modified: A\r\n";
  std::string tail = "ETag: far away\r\n";
  std::string pad(kThreadIndexWindow - head.size() - 2, ' ');
  // The ETag line lies just beyond the window.
  write_file("a.idx", head + "\r\n" + pad + tail);
  write_file("b.idx", (head + "\r\n" + pad + tail).substr(0, kThreadIndexWindow));
  ThreadIndex a, b;
  ASSERT_TRUE(read_thread_index("a.idx", &a));
  ASSERT_TRUE(read_thread_index("b.idx", &b));
  EXPECT_EQ(0, memcmp(&a, &b, sizeof a));
  EXPECT_STREQ(a.last_modified, "A");
}

TEST_F(ThreadIndexTest, MissingFileIsUnusable) {
  ThreadIndex r;
  EXPECT_FALSE(read_thread_index("none.idx", &r));
}

TEST_F(ThreadIndexTest, EtagWithoutLastModifiedIsWrittenAfterLine1) {
  write_file("t.idx", line1(sample_fields()));
  ThreadIndex r;
  ASSERT_TRUE(read_thread_index("t.idx", &r));
  copy_text(r.etag, sizeof r.etag, "E");
  ASSERT_EQ(write_thread_index("t.idx", r), ReplaceResult::kReplaced);
  std::vector<std::string> f = sample_fields();
  f[20] = "";
  EXPECT_EQ(read_file("t.idx"), line1(f) + "ETag: E\r\n");
  // Reading that file finds no ETag, so a second rewrite drops it.
  ASSERT_TRUE(read_thread_index("t.idx", &r));
  EXPECT_STREQ(r.etag, "");
}

TEST_F(ThreadIndexTest, UnterminatedFieldsAreWrittenWithinTheirWidth) {
  write_file("t.idx", line1(sample_fields()));
  ThreadIndex r;
  ASSERT_TRUE(read_thread_index("t.idx", &r));
  memset(r.board_id, 'b', sizeof r.board_id);
  copy_text(r.last_modified, sizeof r.last_modified, "L");
  memset(r.etag, 'e', sizeof r.etag);
  ASSERT_EQ(write_thread_index("t.idx", r), ReplaceResult::kReplaced);
  ASSERT_TRUE(read_thread_index("t.idx", &r));
  EXPECT_EQ(std::string(r.board_id), std::string(19, 'b'));
  EXPECT_EQ(std::string(r.etag), std::string(127, 'e'));
}

TEST_F(ThreadIndexTest, WriteFailuresLeaveTheFileWhole) {
  const std::string original = line1(sample_fields()) + "Last-Modified: A\r\n";
  write_file("t.idx", original);
  ThreadIndex r;
  ASSERT_TRUE(read_thread_index("t.idx", &r));
  r.flags = 0;
  // The first open is the probe whether the file can be written at all.
  fault_.reset();
  fault_.fail_nth(FaultOp::kOpen, 1);
  EXPECT_EQ(write_thread_index("t.idx", r), ReplaceResult::kCannotOpen);
  EXPECT_EQ(read_file("t.idx"), original);

  for (FaultOp op : {FaultOp::kOpen, FaultOp::kWrite, FaultOp::kClose, FaultOp::kRename}) {
    for (int n = 1; n <= 3; ++n) {
      SCOPED_TRACE(std::string(fault_op_name(op)) + " #" + std::to_string(n));
      write_file("t.idx", original);
      fault_.reset();
      fault_.fail_nth(op, n);
      if (write_thread_index("t.idx", r) != ReplaceResult::kReplaced) {
        EXPECT_EQ(read_file("t.idx"), original);
      } else {
        EXPECT_EQ(read_file("t.idx").substr(0, 5), "12\t0\t");
      }
      EXPECT_EQ(snapshot_tree(".").size(), 1u);
    }
  }
}

}  // namespace
}  // namespace vendrit
