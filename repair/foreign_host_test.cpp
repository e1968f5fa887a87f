#include "repair/foreign_host.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"

namespace vendrit {
namespace {

TEST(ForeignHostTest, ConvertsUnderscoresAndSlashesByTheirNextByte) {
  const struct {
    const char* host;
    const char* want;
  } cases[] = {
      {"abc_def", "abc/def"},  // "_" between ordinary bytes
      {"abc/", "abc_"},        // "/" at the end
      {"a__b", "a_/b"},        // the first "_" sees "_", the second sees "b"
      {"a//b", "a_/b"},        // the first "/" sees "/", the second sees "b"
      {"a_.b", "a_.b"},        // "_" before "." stays
      {"abc_", "abc_"},        // "_" at the end stays
      {"abc/def", "abc/def"},  // "/" before an ordinary byte stays
      {"www.host.jp_dir_sub", "www.host.jp/dir/sub"},
      {"", ""},
  };
  for (const auto& c : cases) {
    char host[100];
    copy_text(host, sizeof host, c.host);
    convert_foreign_host(host);
    EXPECT_STREQ(host, c.want) << "host: " << c.host;
  }
}

}  // namespace
}  // namespace vendrit
