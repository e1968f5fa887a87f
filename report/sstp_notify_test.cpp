#include "report/sstp_notify.h"

#include "state/run_settings.h"
#include "report/progress_log.h"
#include "tests/test_support.h"

namespace vendrit {
namespace {

TEST(SakuraBlock, Parsing) {
  struct Row {
    const char* what;
    std::string block;
    intptr_t handle;
  } rows[] = {
      {"plain entry", std::string("\x10\0\0\0", 4) + "sakura.hwnd\x01" "66010\r\n", 66010},
      {"first hwnd wins",
       std::string("\0\0\0\0", 4) + "a.hwnd\x01" "12\r\nb.hwnd\x01" "34\r\n", 12},
      {"entry after NUL bytes", std::string("\0\0\0\0xx\0\0", 8) + "hwnd\x01" "7\r\n", 7},
      {"hwnd inside the skipped bytes", std::string("hwnd\x01" "5\r\n"), 0},
      {"blanks and sign", std::string(4, ' ') + "hwnd\x01  -42\r\n", -42},
      {"not a number", std::string(4, ' ') + "hwnd\x01" "abc\r\n", 0},
      {"no 0x01", std::string(4, ' ') + "hwnd=5\r\n", 0},
      {"no CR", std::string(4, ' ') + "hwnd\x01" "5\n", 0},
      {"beyond 32 bits", std::string(4, ' ') + "hwnd\x01" "99999999999\r\n", 0},
      {"too short", std::string("ab"), 0},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(parse_sakura_block(r.block.data(), r.block.size()), r.handle) << r.what;
  }
}

TEST(SstpNotify, RequestText) {
  char buf[1024];
  size_t n = format_sstp_notify(buf, sizeof buf, 4, "\\_q\\s0ログ\\e", 0x1234);
  std::string expected =
      "NOTIFY SSTP/1.1\r\nSender: Vendrit\r\nEvent: VendritStat4\r\nScript: \\_q\\s0ログ\\e\r\n"
      "Option: nodescript,notranslate\r\nHWnd: 4660\r\nCharset: Shift_JIS";
  EXPECT_EQ(std::string(buf, n), expected);
  std::string huge(1000, 'x');
  EXPECT_EQ(format_sstp_notify(buf, sizeof buf, 4, huge.c_str(), 1), 0u);
}

class SstpNotifyTest : public RootTest {
 protected:
  void TearDown() override {
    g_sstp_target = 0;
    RootTest::TearDown();
  }
};

TEST_F(SstpNotifyTest, SentOnlyWithHostAndSwitch) {
  g_sstp_target = 0;
  g_settings.use_ukagaka = 1;
  sstp_notify(4, true);
  g_sstp_target = 777;
  g_settings.use_ukagaka = 0;
  sstp_notify(4, true);
  EXPECT_TRUE(ui_->sent.empty());
  EXPECT_EQ(fault_.slept_ms, 0);
  EXPECT_EQ(ui_->loaded_scripts, (std::vector<int>{4, 4}));  // loaded even when not sent

  g_settings.use_ukagaka = 1;
  sstp_notify(5, true);
  sstp_notify(8, false);
  ASSERT_EQ(ui_->sent.size(), 2u);
  EXPECT_EQ(ui_->sent[0].target, 777);
  EXPECT_EQ(ui_->sent[0].tag, kSstpCopyDataTag);
  EXPECT_NE(ui_->sent[0].data.find("Event: VendritStat5\r\nScript: \\0script5\\e\r\n"),
            std::string::npos);
  EXPECT_EQ(ui_->sent[1].data.substr(ui_->sent[1].data.size() - 9), "Shift_JIS");
  EXPECT_EQ(fault_.slept_ms, kSstpPauseMs);
}

TEST_F(SstpNotifyTest, TargetFromSharedMemory) {
  EXPECT_EQ(find_sstp_target(), 0);
  fault_.shared_memory_name = "Sakura";
  fault_.shared_memory = std::string(4, '\0') + "sakura.hwnd\x01" "4242\r\n";
  EXPECT_EQ(find_sstp_target(), 4242);
}

}  // namespace
}  // namespace vendrit
