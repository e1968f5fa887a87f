// The Win32 text boundary: code page 932 both ways whatever the system code
// page, cuts that never split a character, and Japanese names through the
// wide-character file API.
#include "platform/win32/wide_text.h"

#include <set>

#include "platform/env.h"
#include "platform/text.h"
#include "tests/test_support.h"

namespace vendrit {
namespace {

TEST(WideText, ConvertsWithCodePage932) {
  const std::pair<const char*, std::wstring> cases[] = {
      {"", L""},
      {"あぼ～んする", L"\x3042\x307C\xFF5E\x3093\x3059\x308B"},
      {"ｷｬﾝｾﾙ", L"\xFF77\xFF6C\xFF9D\xFF7E\xFF99"},
      {"表示", L"\x8868\x793A"},  // second byte 0x5C, the backslash
  };
  for (const auto& c : cases) {
    EXPECT_EQ(widen(c.first), c.second) << c.first;
    EXPECT_EQ(narrow(c.second.c_str()), c.first);
  }
}

TEST(WideText, CutsAtWholeCharacters) {
  // "aあb": 1 + 2 + 1 bytes.
  const std::pair<size_t, const char*> cases[] = {{5, "aあb"}, {4, "aあ"}, {3, "a"}, {1, ""}};
  for (const auto& c : cases) {
    char buf[8];
    EXPECT_EQ(narrow_to(L"a\x3042" L"b", buf, c.first), c.first == 5) << c.first;
    EXPECT_STREQ(buf, c.second);
  }
}

class Win32EnvNames : public RootTest {};

TEST_F(Win32EnvNames, JapaneseNamesRoundTrip) {
  Env* e = platform_env();
  // 表 ends in 0x5C: a narrow API on a non-Japanese system would split there.
  ASSERT_TRUE(e->make_dir("ログ表"));
  ASSERT_TRUE(e->make_dir("ログ表\\板"));
  auto f = e->open("ログ表\\板\\スレ.dat", OpenMode::kCreateNew);
  ASSERT_TRUE(f);
  ASSERT_TRUE(f->write("12345", 5));
  ASSERT_TRUE(f->close());
  std::set<std::string> names;
  auto l = e->list_dir("ログ表\\板");
  ASSERT_TRUE(l);
  DirEntry entry;
  while (l->next(&entry)) names.insert(entry.name);
  EXPECT_EQ(names, (std::set<std::string>{".", "..", "スレ.dat"}));

  char cwd[kPathSize], abs[kPathSize];
  ASSERT_TRUE(e->set_current_dir("ログ表"));
  ASSERT_TRUE(e->current_dir(cwd, sizeof cwd));
  ASSERT_TRUE(e->absolute_path("vendrit.ini", abs, sizeof abs));
  EXPECT_EQ(std::string(abs), std::string(cwd) + "\\vendrit.ini");
  EXPECT_EQ(std::string(cwd).substr(strlen(cwd) - 6), "ログ表");
}

}  // namespace
}  // namespace vendrit
