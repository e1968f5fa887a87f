#include "repair/foreign_host.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace vendrit {

// '_' and '/' are swapped by the byte after them: "_" between ordinary bytes
// becomes "/", "/" at the end "_"; in a doubled pair the first sees the
// second; "_" before "." or at the end stays, as does "/" before a letter.
TEST(ForeignHostTest, ConvertsUnderscoresAndSlashesByTheirNextByte) {
  const std::pair<const char*, const char*> rows[] = {
      {"a_b/", "a/b_"},
      {"a__b", "a_/b"},
      {"a//b", "a_/b"},
      {"a_.b_", "a_.b_"},
  };
  for (const auto& c : rows) {
    char host[100];
    copy_text(host, sizeof host, c.first);
    convert_foreign_host(host);
    EXPECT_STREQ(host, c.second) << c.first;
  }
}

}  // namespace vendrit
