// The Win32 text boundary: code page 932 both ways whatever the system code
// page, and cuts that never split a character (Japanese names: EnvTest).
#include "platform/win32/wide_text.h"

#include "tests/test_support.h"

namespace vendrit {
namespace {

TEST(WideText, ConvertsWithCodePage932AndCutsAtWholeCharacters) {
  const std::pair<const char*, std::wstring> texts[] = {  // 表: second byte 0x5C, the backslash
      {"", L""}, {"あぼ～んする", L"\x3042\x307C\xFF5E\x3093\x3059\x308B"},
      {"ｷｬﾝｾﾙ", L"\xFF77\xFF6C\xFF9D\xFF7E\xFF99"}, {"表示", L"\x8868\x793A"}};
  for (const auto& t : texts) EXPECT_TRUE(widen(t.first) == t.second && narrow(t.second.c_str()) == t.first) << t.first;
  bool lossy = false;  // no look-alike for a character without a Shift_JIS form: "é" is no "e", "¥" no backslash
  EXPECT_TRUE(narrow(L"caf\xe9\xa5", -1, &lossy) == "caf??" && lossy);
  // "aあb" is 1 + 2 + 1 bytes; the result tells whether all of it fitted.
  const std::pair<size_t, const char*> cuts[] = {{5, "aあb"}, {4, "aあ"}, {3, "a"}, {1, ""}};
  for (const auto& c : cuts) {
    char buf[8];
    EXPECT_EQ(narrow_to(L"a\x3042" L"b", buf, c.first), c.first == 5) << c.first;
    EXPECT_STREQ(buf, c.second);
  }
}

}  // namespace
}  // namespace vendrit
