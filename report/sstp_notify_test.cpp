#include "report/sstp_notify.h"

#include <chrono>
#include <thread>

#include "tests/test_support.h"

namespace vendrit {
namespace {

// The handle follows the first "hwnd" after the block's 4-byte head, between
// 0x01 and CR, as a 32-bit decimal number; anything else means no host.
TEST(SakuraBlock, Parsing) {
  const std::string head(4, ' ');
  const std::pair<std::string, intptr_t> rows[] = {
      {std::string("\x10\0\0\0", 4) + "sakura.hwnd\x01" "66010\r\n", 66010},
      {head + "a.hwnd\x01" "12\r\nb.hwnd\x01" "34\r\n", 12},       // the first wins
      {std::string("\0\0\0\0xx\0\0", 8) + "hwnd\x01" "7\r\n", 7},  // after NUL bytes
      {"hwnd\x01" "5\r\n", 0},                                     // inside the head
      {head + "hwnd\x01  -42\r\n", -42},
      {head + "hwnd\x01" "abc\r\n", 0},
      {head + "hwnd=5\r\n", 0},
      {head + "hwnd\x01" "5\n", 0},
      {head + "hwnd\x01" "99999999999\r\n", 0},  // beyond 32 bits
      {"ab", 0},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(parse_sakura_block(r.first.data(), r.first.size()), r.second) << r.first;
  }
}

class SstpNotifyTest : public RootTest {
 protected:
  void notify(int id, bool pause) { sstp_notify(progress_, env_, settings_, id, pause); }
};

// A request goes only to a host named in the "Sakura" block and only with
// the switch on; the script is loaded either way, only pausing notifications
// pause, and a request too long for the buffer is not made at all.
TEST_F(SstpNotifyTest, SentOnlyToAHostAndWithTheSwitch) {
  settings_.use_ukagaka = 1;
  notify(4, true);  // no host
  fault_.shared_memory_name = "Sakura";
  fault_.shared_memory = std::string(4, '\0') + "sakura.hwnd\x01" "777\r\n";
  progress_.sstp_target = find_sstp_target(env_);
  settings_.use_ukagaka = 0;
  notify(4, true);
  settings_.use_ukagaka = 1;
  notify(5, true);
  notify(8, false);
  EXPECT_EQ(ui_->loaded_scripts, (std::vector<int>{4, 4, 5, 8}));
  EXPECT_EQ(fault_.slept_ms, kSstpPauseMs);
  ASSERT_EQ(ui_->sent.size(), 2u);
  EXPECT_EQ(ui_->sent[0].target, 777);
  EXPECT_EQ(ui_->sent[0].tag, kSstpCopyDataTag);
  EXPECT_EQ(ui_->sent[0].data,
            "NOTIFY SSTP/1.1\r\nSender: Vendrit\r\nEvent: VendritStat5\r\nScript: \\0script5\\e\r\n"
            "Option: nodescript,notranslate\r\nHWnd: 4660\r\nCharset: Shift_JIS");
  char buf[1024];
  EXPECT_EQ(format_sstp_notify(buf, sizeof buf, 4, std::string(1000, 'x').c_str(), 1), 0u);
}

// Queued announcements go out in order from a thread of their own, each
// paused after, and before anything announced directly, even to a slow host.
TEST_F(SstpNotifyTest, QueuedAnnouncementsGoFirstAndPauseElsewhere) {
  struct SlowHost : RecordingUi {
    bool send_copy_data(intptr_t target, void* copy_data) override {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      return RecordingUi::send_copy_data(target, copy_data);
    }
  } host;
  progress_.ui = &host;
  settings_.use_ukagaka = 1;
  progress_.sstp_target = 777;
  sstp_announce(progress_, env_, settings_, 9, true);
  sstp_announce(progress_, env_, settings_, 10, true);
  notify(8, false);
  sstp_announcer_stop();
  std::vector<int> events;
  for (const auto& sent : host.sent) events.push_back(atoi(sent.data.c_str() + sent.data.find("VendritStat") + 11));
  EXPECT_EQ(events, (std::vector<int>{9, 10, 8}));
  EXPECT_EQ(fault_.slept_ms, 2 * kSstpPauseMs);
  EXPECT_EQ(fault_.sleepers.count(std::this_thread::get_id()), 0u);
}

}  // namespace
}  // namespace vendrit
