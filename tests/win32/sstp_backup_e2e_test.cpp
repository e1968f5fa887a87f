// End-to-end tests of the announcements to a desktop-mascot host and of the
// backup program started before a run: the real vendrit.exe beside a fake
// host (fake_sstp_host.exe) and a fake backup program (fake_backup.exe).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/wide_text.h"
#include "tests/win32/e2e_support.h"
#include "tests/win32/e2e_fixtures.h"

namespace vendrit {
namespace e2e {
namespace {

// A notification followed by the pause leaves this much time at least
// before the next one (the pause is 500 ms; timers under Wine are coarse).
constexpr uint64_t kPauseMinMs = 450;
// A hung host is given up after 5 s per notification.
constexpr DWORD kHungRunLimitMs = 45000;

std::string output_of(HWND main) { return window_text_sjis(GetDlgItem(main, kIdOutput)); }

TEST(Sstp, RunAnnouncesEachPhaseWithItsPause) {
  for (bool backup : {false, true}) {
    SCOPED_TRACE(backup ? "with backup" : "without backup");
    ReaderRoot root(profile_text("-通知", "-notify"));
    MovedBoard board;
    board.prepare(root);
    BackupProgram prog(root);
    write_settings(root, {{"use_ukagaka", "1"},
                          {"backup", backup ? "1" : "0"},
                          {"backupprog", prog.command().c_str()}});
    FakeHost host;
    ASSERT_TRUE(host.start(root.full("host.txt")));
    Vendrit v;
    HWND main = open_main(&v, root);
    ASSERT_TRUE(main);
    ASSERT_TRUE(wait_until([&] { return host.events().size() == 1; }, kStartTimeoutMs));
    ASSERT_TRUE(send_command(main, kIdGo));
    ASSERT_TRUE(wait_until([&] { return run_finished(main); }, kRunTimeoutMs));
    EXPECT_EQ(leave(&v, main), 0);

    std::vector<int> want = backup ? std::vector<int>{1, 3, 4, 5, 8, 2}
                                   : std::vector<int>{1, 4, 5, 8, 2};
    std::vector<Received> got = host.received();
    ASSERT_EQ(host.events(), want);
    for (size_t i = 0; i < got.size(); ++i) {
      SCOPED_TRACE(want[i]);
      EXPECT_EQ(got[i].tag, 9801u);
      EXPECT_EQ(got[i].from, reinterpret_cast<intptr_t>(main));
      EXPECT_EQ(got[i].data, notify_text(want[i], main));
      EXPECT_EQ(got[i].length, got[i].data.size());
    }
    // 3, 4 and 5 are each followed by the pause before the next step.
    size_t first_paused = 1;
    if (backup) {
      BackupRecord rec = prog.record();
      ASSERT_TRUE(rec.ran);
      EXPECT_GE(rec.start_ms, got[1].ms + kPauseMinMs) << "no pause after 3";
      EXPECT_LE(rec.end_ms, got[2].ms) << "the relocation began before the backup ended";
      first_paused = 2;
    }
    for (size_t i = first_paused; i + 1 < got.size() - 1; ++i) {
      EXPECT_GE(got[i + 1].ms - got[i].ms, kPauseMinMs) << "no pause after " << want[i];
    }
    EXPECT_TRUE(root.read(board.target().c_str()) != "<missing>");
  }
}

// Runs once with GO! and returns how long it took; -1 when it did not finish.
long timed_run(Vendrit* v, const ReaderRoot& root) {
  HWND main = open_main(v, root);
  if (!main) return -1;
  DWORD start = GetTickCount();
  if (!send_command(main, kIdGo) || !wait_until([&] { return run_finished(main); }, kRunTimeoutMs)) {
    return -1;
  }
  long took = static_cast<long>(GetTickCount() - start);
  EXPECT_EQ(leave(v, main), 0);
  return took;
}

TEST(Sstp, WithoutATargetNothingIsSentAndNothingWaits) {
  struct Case {
    const char* name;
    const wchar_t* host_options;  // null: no host at all
    const char* use_ukagaka;
  };
  const Case cases[] = {
      {"no host", nullptr, "1"},
      {"hwnd value not a number", L"--bad-hwnd", "1"},
      {"use_ukagaka off", L"", "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReaderRoot root;
    MovedBoard board;
    board.prepare(root);
    write_settings(root, {{"use_ukagaka", c.use_ukagaka}});
    FakeHost host;
    if (c.host_options) {
      ASSERT_TRUE(host.start(root.full("host.txt"), c.host_options));
    }
    Vendrit v;
    long took = timed_run(&v, root);
    ASSERT_GE(took, 0);
    // Three pauses alone would take 1500 ms.
    EXPECT_LT(took, 1200);
    EXPECT_TRUE(host.received().empty());
    EXPECT_TRUE(root.read(board.target().c_str()) != "<missing>");
  }
}

// A host that answers each request from inside its handler (as real hosts
// do) gets its answer taken at once: at start-up, during the run and at EXIT.
// A host that stops answering holds the run up only for the time-out.
TEST(Sstp, AnsweringAndHungHostsNeverStallTheRun) {
  struct Case {
    const char* name;
    const wchar_t* options;
    DWORD limit_ms;
  } cases[] = {{"answering", L"--answer", kRunTimeoutMs},
               {"hung", L"--hang-ms 600000", kHungRunLimitMs}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReaderRoot root;
    MovedBoard board;
    board.prepare(root);
    write_settings(root, {{"use_ukagaka", "1"}});
    FakeHost host;
    ASSERT_TRUE(host.start(root.full("host.txt"), c.options));
    Vendrit v;
    ASSERT_TRUE(v.start(root.path(), L"auto"));
    int code = 1000;
    ASSERT_TRUE(v.wait_exit(c.limit_ms, &code)) << "the run hung on the host";
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(root.read(board.target().c_str()) != "<missing>");
    std::vector<int> events = host.events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front(), 1);
    if (c.limit_ms == kHungRunLimitMs) continue;  // it took the first and stopped answering
    EXPECT_EQ(events, (std::vector<int>{1, 4, 5, 8, 2}));
    for (const Received& r : host.received()) {
      EXPECT_EQ(r.answered, 1);
      EXPECT_LT(r.took, 1000u) << "the answer waited for the request's time-out";
    }
  }
}

TEST(Backup, RunWaitsForTheProgramInItsDirectory) {
  struct Case {
    const char* name;
    bool wait;
    // Full path, or the bare name found beside vendrit.exe.
    bool full_path;
    // Arguments with a backslash: the cut falls inside them.
    bool backslash_argument;
  };
  const Case cases[] = {
      {"full path", false, true, false},
      {"full path, confirmation", true, true, false},
      {"argument with a backslash", false, true, true},
      {"no backslash", false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReaderRoot root(profile_text("-退避", "-backup"));
    MovedBoard board;
    board.prepare(root);
    BackupProgram prog(root);
    std::string command = c.full_path ? prog.command(1500) : prog.bare_command(1500);
    if (c.backslash_argument) command += " sub\\dir";
    write_settings(root, {{"backup", "1"},
                          {"wait", c.wait ? "1" : "0"},
                          {"backupprog", command.c_str()}});
    Vendrit v;
    HWND main = open_main(&v, root);
    ASSERT_TRUE(main);
    ASSERT_TRUE(send_command(main, kIdGo));
    if (c.wait) {
      MessageBoxSeen box;
      ASSERT_TRUE(wait_message_box(v.pid(), kRunTimeoutMs, &box));
      EXPECT_EQ(box.caption, L"Vendrit");
      EXPECT_EQ(box.text, widen("処理を続行します"));
      EXPECT_EQ(GetWindow(box.box, GW_OWNER), main);
      EXPECT_TRUE(prog.record().ran);
      // The run holds until the box is confirmed.
      Sleep(700);
      EXPECT_EQ(output_of(main).find("=========="), std::string::npos);
      EXPECT_TRUE(root.read(board.source().c_str()) != "<missing>");
      press_ok(box.box);
    }
    ASSERT_TRUE(wait_until([&] { return run_finished(main); }, kRunTimeoutMs));
    BackupRecord rec = prog.record();
    ASSERT_TRUE(rec.ran) << "the run did not wait for the backup program";
    EXPECT_EQ(rec.command, utf8(widen(command.c_str())));
    bool own_dir = c.full_path && !c.backslash_argument;
    EXPECT_EQ(rec.cwd, utf8(own_dir ? prog.dir() : root.path()));
    std::string out = output_of(main);
    EXPECT_EQ(out.rfind("開始します\r\n外部バックアッププログラム起動中", 0), 0u) << out;
    // The walk found "log" in the start directory again.
    EXPECT_TRUE(root.read(board.target().c_str()) != "<missing>") << out;
    EXPECT_EQ(root.read(board.source().c_str()), "<missing>") << out;
    EXPECT_EQ(leave(&v, main), 0);
  }
}

TEST(Backup, AProgramThatCannotStartEndsTheRunBeforeAnythingMoves) {
  struct Case {
    const char* name;
    const char* backupprog;  // relative to the root, or empty
  };
  const Case cases[] = {
      {"missing program", "無い\\nothing.exe"},
      {"empty command", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReaderRoot root(profile_text("-失敗", "-failed"));
    MovedBoard board;
    board.prepare(root);
    std::string command = *c.backupprog ? narrow(root.full(c.backupprog).c_str()) : "";
    write_settings(root, {{"backup", "1"}, {"use_ukagaka", "1"}, {"backupprog", command.c_str()}});
    FakeHost host;
    ASSERT_TRUE(host.start(root.full("host.txt")));
    Vendrit v;
    ASSERT_TRUE(v.start(root.path(), L"auto"));
    HWND main = v.wait_main_window();
    ASSERT_TRUE(main);
    const std::string failed = "\r\n外部バックアッププログラムの起動に失敗しました";
    ASSERT_TRUE(wait_until(
        [&] {
          std::string out = output_of(main);
          return out.size() >= failed.size() &&
                 out.compare(out.size() - failed.size(), failed.size(), failed) == 0;
        },
        kRunTimeoutMs))
        << output_of(main);
    // The auto window stays, idle, and nothing of the run happened.
    EXPECT_TRUE(wait_until([&] { return buttons_enabled(main) == std::vector<bool>({true, true, true}); },
                           kStartTimeoutMs));
    Sleep(500);
    EXPECT_TRUE(v.running());
    EXPECT_EQ(output_of(main), "開始します\r\n外部バックアッププログラム起動中" + failed);
    EXPECT_TRUE(root.read(board.source().c_str()) != "<missing>");
    EXPECT_EQ(host.events(), std::vector<int>({1, 3}));
    EXPECT_EQ(leave(&v, main), 0);
  }
}

}  // namespace
}  // namespace e2e
}  // namespace vendrit
