#include "report/sstp_notify.h"

#include <chrono>
#include <thread>

#include "tests/test_support.h"

namespace vendrit {
namespace {

// The handle follows the first "hwnd" after the block's 4-byte head, as a 32-bit number.
TEST(SakuraBlock, Parsing) {
  const std::string head(4, ' ');
  const std::pair<std::string, intptr_t> rows[] = {
      {head + "a.hwnd\x01" "12\r\nb.hwnd\x01" "34\r\n", 12},
      {"hwnd\x01" "5\r\n", 0},
      {head + "hwnd\x01" "99999999999\r\n", 0},
  };
  for (const auto& r : rows) EXPECT_EQ(parse_sakura_block(r.first.data(), r.first.size()), r.second) << r.first;
}

class SstpNotifyTest : public RootTest {
 protected:
  void notify(int id, bool pause) { sstp_notify(progress_, env_, settings_, id, pause); }
};

// The host is the one the "Sakura" block names; only pausing notifications pause.
TEST_F(SstpNotifyTest, SentToTheHostNamed) {
  settings_.use_ukagaka = 1;
  fault_.shared_memory_name = "Sakura";
  fault_.shared_memory = std::string(4, '\0') + "hwnd\x01" "777\r\n";
  progress_.sstp_target = find_sstp_target(env_);
  notify(5, true);
  notify(8, false);
  EXPECT_EQ(fault_.slept_ms, kSstpPauseMs);
  ASSERT_EQ(ui_->sent.size(), 2u);
  EXPECT_EQ(ui_->sent[0].target, 777);
  EXPECT_EQ(ui_->sent[0].data,
            "NOTIFY SSTP/1.1\r\nSender: Vendrit\r\nEvent: VendritStat5\r\nScript: \\0script5\\e\r\n"
            "Option: nodescript,notranslate\r\nHWnd: 4660\r\nCharset: Shift_JIS");
}

// What is announced directly waits for the queued announcements, even when the announcer's
// request is slow to arrive and the direct one would arrive at once.
TEST_F(SstpNotifyTest, QueuedAnnouncementsGoFirst) {
  struct SlowHost : RecordingUi {
    bool send_copy_data(intptr_t target, void* copy_data) override {
      if (std::this_thread::get_id() != test_thread) std::this_thread::sleep_for(std::chrono::milliseconds(100));
      return RecordingUi::send_copy_data(target, copy_data);
    }
    std::thread::id test_thread = std::this_thread::get_id();
  } host;
  progress_.ui = &host;
  settings_.use_ukagaka = 1;
  progress_.sstp_target = 777;
  sstp_announce(progress_, env_, settings_, 9, true);
  notify(8, false);
  sstp_announcer_stop();
  ASSERT_EQ(host.sent.size(), 2u);
  EXPECT_NE(host.sent[0].data.find("VendritStat9"), std::string::npos);
}

}  // namespace
}  // namespace vendrit
