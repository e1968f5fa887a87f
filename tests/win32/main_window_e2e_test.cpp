// End-to-end tests of vendrit.exe: the real program, started in a reader root
// under Wine, driven through its windows as a user would.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/wide_text.h"
#include "tests/win32/e2e_support.h"
#include "tests/win32/thread_start_watch.h"
#include "vendrit_config.h"

namespace vendrit {
namespace e2e {
namespace {

// Literals here are Shift_JIS, like the program's own.
std::wstring w(const char* sjis) { return widen(sjis); }

bool atom_present() { return GlobalFindAtomW(L"vendrit") != 0; }

// Atoms left by instances that an earlier test had to kill.
void clear_stale_atoms() {
  for (int i = 0; i < 100 && atom_present(); ++i) GlobalDeleteAtom(GlobalFindAtomW(L"vendrit"));
}

TEST(Locale, ProcessesRunWithTheConfiguredCodePage) {
  // The test script's locale decides Wine's system code page; the runs with
  // a Western one are the proof that nothing depends on code page 932.
  const char* locale = getenv("VENDRIT_WINE_LOCALE");
  if (!locale || strncmp(locale, "ja", 2) == 0) {
    EXPECT_EQ(GetACP(), 932u);
  } else {
    EXPECT_NE(GetACP(), 932u);
  }
}

struct Refusal {
  const char* name;
  void (*prepare)(ReaderRoot&);
  const char* message;  // UTF-8
};

TEST(Startup, RefusalsShowTheirMessageAndExitWithMinusOne) {
  const Refusal cases[] = {
      {"no board list", [](ReaderRoot&) {}, "2channel.brdがありません"},
      {"duplicates, report appended",
       [](ReaderRoot& r) {
         r.write("2channel.brd", board_line(main_host("a"), "news") + board_line(sister_host("b"), "news"));
       },
       "板の重複が除外されていません\n「exclude.lst」に重複鯖を出力します"},
      {"duplicates, exclude.lst locked",
       [](ReaderRoot& r) {
         r.write("2channel.brd", board_line(main_host("a"), "news") + board_line(main_host("b"), "news"));
         r.write("exclude.lst", "");
         r.lock("exclude.lst");
       },
       "板の重複が除外されていません"},
      {"10000 boards",
       [](ReaderRoot& r) {
         std::string brd;
         for (int i = 0; i < 10000; ++i) {
           char id[16];
           snprintf(id, sizeof id, "b%05d", i);
           brd += board_line(main_host("big"), id);
         }
         r.write("2channel.brd", brd);
       },
       "鯖大杉"},
  };
  clear_stale_atoms();
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.name);
    ReaderRoot root("-拒否");
    c.prepare(root);
    Vendrit v;
    ASSERT_TRUE(v.start(root.path()));
    MessageBoxSeen box;
    ASSERT_TRUE(wait_message_box(v.pid(), kStartTimeoutMs, &box));
    EXPECT_EQ(box.caption, L"Vendrit");
    EXPECT_EQ(box.text, w(c.message));
    press_ok(box.box);
    int code = 0;
    ASSERT_TRUE(v.wait_exit(kStartTimeoutMs, &code));
    EXPECT_EQ(code, -1);
    EXPECT_FALSE(atom_present()) << "the instance marker outlived the refusal";
  }
}

TEST(Startup, DuplicateReportIsAppendedToExcludeList) {
  ReaderRoot root;
  root.write("2channel.brd", board_line(main_host("a"), "news") + board_line(sister_host("b"), "news"));
  root.write("exclude.lst", "# mine\r\n");
  Vendrit v;
  ASSERT_TRUE(v.start(root.path()));
  MessageBoxSeen box;
  ASSERT_TRUE(wait_message_box(v.pid(), kStartTimeoutMs, &box));
  press_ok(box.box);
  int code = 0;
  ASSERT_TRUE(v.wait_exit(kStartTimeoutMs, &code));
  std::string lst = root.read("exclude.lst");
  EXPECT_EQ(lst.find("# mine\r\n"), 0u);
  EXPECT_NE(lst.find(main_host("a") + "\tnews\r\n"), std::string::npos) << lst;
  EXPECT_NE(lst.find(sister_host("b") + "\tnews\r\n"), std::string::npos) << lst;
}

TEST(Startup, SecondInstanceIsRefusedWhileTheFirstRuns) {
  clear_stale_atoms();
  ReaderRoot root;
  root.write("2channel.brd", board_line(main_host("a"), "news"));
  Vendrit first;
  HWND main = open_main(&first, root);
  ASSERT_TRUE(main);
  EXPECT_TRUE(atom_present());

  ReaderRoot other;
  other.write("2channel.brd", board_line(main_host("a"), "news"));
  Vendrit second;
  ASSERT_TRUE(second.start(other.path()));
  MessageBoxSeen box;
  ASSERT_TRUE(wait_message_box(second.pid(), kStartTimeoutMs, &box));
  EXPECT_EQ(box.caption, L"Vendrit");
  EXPECT_EQ(box.text, w("Vendritの多重起動は出来ません"));
  press_ok(box.box);
  int code = 0;
  ASSERT_TRUE(second.wait_exit(kStartTimeoutMs, &code));
  EXPECT_EQ(code, -1);

  // The first goes on undisturbed, still marked as running.
  EXPECT_TRUE(first.running());
  EXPECT_TRUE(atom_present());
  EXPECT_TRUE(send_command(main, kIdGo));
  EXPECT_TRUE(wait_until([&] { return run_finished(main); }, kRunTimeoutMs));
  EXPECT_EQ(leave(&first, main), 0);
  EXPECT_FALSE(atom_present());
}

TEST(Startup, AtomLeftByACrashedInstanceDoesNotBlockAStart) {
  ATOM stale = GlobalAddAtomW(L"vendrit");
  ASSERT_NE(stale, 0);
  ReaderRoot root;
  root.write("2channel.brd", board_line(main_host("a"), "news"));
  Vendrit v;
  HWND main = open_main(&v, root);
  EXPECT_TRUE(main) << "a leftover atom refused the start";
  if (main) {
    EXPECT_EQ(leave(&v, main), 0);
  }
  GlobalDeleteAtom(stale);
}

// The exclusion summary as the program formats it, in Shift_JIS.
std::string summary_row(const std::string& server, const char* board, const char* mark) {
  char row[512];
  snprintf(row, sizeof row, "%-30s\t%-20s\t%s\r\n", server.c_str(), board, mark);
  return row;
}

TEST(MainWindow, ShowsTheExclusionSummaryAndTitle) {
  struct Case {
    const char* name;
    std::string exclude_lst;
    std::string expected;
  };
  std::string many_lst, many_expected = "処理除外鯖\r\n";
  // Far beyond an edit control's default 30000-character limit.
  for (int i = 0; i < 1000; ++i) {
    char server[64], id[16];
    snprintf(server, sizeof server, "srv%04d%s", i, kSisterSuffix);
    snprintf(id, sizeof id, "b%04d", i);
    many_lst += std::string(server) + " " + id + "\r\n";
    many_expected += summary_row(server, id, "×");
  }
  const Case cases[] = {
      {"empty", "", "処理除外鯖はありません"},
      {"whole server matched, board unmatched",
       main_host("a") + "\t*\r\n" + main_host("c") + " tech\r\n",
       "処理除外鯖\r\n" + summary_row(main_host("a"), "全板", "○") +
           summary_row(main_host("c"), "tech", "×")},
      {"1000 entries", many_lst, many_expected},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReaderRoot root("-一覧");
    root.write("2channel.brd", board_line(main_host("a"), "news") + board_line(main_host("b"), "tech"));
    if (!c.exclude_lst.empty()) root.write("exclude.lst", c.exclude_lst);
    Vendrit v;
    HWND main = open_main(&v, root);
    ASSERT_TRUE(main);
    EXPECT_EQ(window_text(main), L"Vendrit Version 3.08 [EM64T Version]");
    HWND output = GetDlgItem(main, kIdOutput);
    EXPECT_EQ(window_text_sjis(output), c.expected);
    // The output control takes no focus, so nothing in it starts selected.
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &gui));
    EXPECT_EQ(gui.hwndFocus, GetDlgItem(main, kIdGo));
    DWORD from = 0, to = 0;
    SendMessageW(output, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from, to) << "text selected";
    EXPECT_EQ(leave(&v, main), 0);
  }
}

TEST(MainWindow, ControlsArePlacedAsTheTemplateSays) {
  ReaderRoot root;
  root.write("2channel.brd", board_line(main_host("a"), "news"));
  Vendrit v;
  HWND main = open_main(&v, root);
  ASSERT_TRUE(main);
  RECT client;
  GetClientRect(main, &client);
  // Dialog units to pixels, from the client area of 323 x 181 units.
  double sx = client.right / 323.0, sy = client.bottom / 181.0;
  struct Placed {
    int id, x, y, cx, cy;
    const wchar_t* text;
  };
  const Placed controls[] = {
      {kIdOutput, 5, 5, 264, 170, nullptr},
      {kIdGo, 276, 139, 40, 15, L"GO!"},
      {kIdSettings, 276, 7, 40, 15, L"設定"},
      {kIdExit, 276, 160, 40, 14, L"EXIT"},
  };
  for (const Placed& c : controls) {
    SCOPED_TRACE(c.id);
    HWND h = GetDlgItem(main, c.id);
    ASSERT_TRUE(h);
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_NEAR(r.left, c.x * sx, 2.0);
    EXPECT_NEAR(r.top, c.y * sy, 2.0);
    EXPECT_NEAR(r.right - r.left, c.cx * sx, 2.0);
    EXPECT_NEAR(r.bottom - r.top, c.cy * sy, 2.0);
    if (c.text) {
      EXPECT_EQ(window_text(h), c.text);
    }
  }
  HWND edit = GetDlgItem(main, kIdOutput);
  LONG edit_style = GetWindowLongW(edit, GWL_STYLE);
  LONG want = ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL;
  EXPECT_EQ(edit_style & want, want);
  // The dialog manager draws a bordered edit control with a sunken edge.
  EXPECT_TRUE((edit_style & WS_BORDER) || (GetWindowLongW(edit, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
  EXPECT_TRUE(GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_TRUE(GetWindowLongW(main, GWL_STYLE) & WS_SYSMENU);
  EXPECT_EQ(leave(&v, main), 0);
}

TEST(MainWindow, OnlyExitClosesTheWindow) {
  ReaderRoot root;
  root.write("2channel.brd", board_line(main_host("a"), "news"));
  Vendrit v;
  HWND main = open_main(&v, root);
  ASSERT_TRUE(main);
  DWORD_PTR r = 0;
  // Esc as the dialog manager turns it into a command, and as a key press.
  send_command(main, IDCANCEL);
  PostMessageW(GetDlgItem(main, kIdGo), WM_KEYDOWN, VK_ESCAPE, 0);
  // Alt+F4 and the caption's close box, and a plain close request.
  SendMessageTimeoutW(main, WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_ABORTIFHUNG, 5000, &r);
  SendMessageTimeoutW(main, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 5000, &r);
  Sleep(500);
  EXPECT_TRUE(IsWindow(main));
  EXPECT_TRUE(v.running());
  EXPECT_EQ(leave(&v, main), 0);
}

TEST(MainWindow, AnswersCopyDataOnlyWhenItIsSstp) {
  ReaderRoot root;
  root.write("2channel.brd", board_line(main_host("a"), "news"));
  Vendrit v;
  HWND main = open_main(&v, root);
  ASSERT_TRUE(main);
  struct Case {
    const char* data;
    DWORD_PTR answer;
  };
  const Case cases[] = {
      {"SSTP/1.1 200 OK\r\n", TRUE},
      {"NOTIFY SSTP/1.1\r\nSender: x", TRUE},
      {"sstp in lower case", FALSE},
      {"nothing here", FALSE},
      {"", FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.data);
    COPYDATASTRUCT cds = {9801, static_cast<DWORD>(strlen(c.data)), const_cast<char*>(c.data)};
    DWORD_PTR answer = 12345;
    ASSERT_TRUE(SendMessageTimeoutW(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds),
                                    SMTO_ABORTIFHUNG, 5000, &answer));
    EXPECT_EQ(answer, c.answer);
  }
  EXPECT_EQ(leave(&v, main), 0);
}

TEST(Run, GoDisablesTheButtonsAndRunsTheSequence) {
  ReaderRoot root("-実行");
  root.write("2channel.brd", board_line(main_host("a"), "news"));
  Vendrit v;
  HWND main = open_main(&v, root);
  ASSERT_TRUE(main);
  EXPECT_EQ(buttons_enabled(main), std::vector<bool>({true, true, true}));
  std::vector<HWND> buttons = {GetDlgItem(main, kIdGo), GetDlgItem(main, kIdSettings),
                               GetDlgItem(main, kIdExit)};
  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE(round);
    std::vector<std::vector<bool>> at_start;
    {
      ThreadStartWatch watch(v.pid(), buttons);
      ASSERT_TRUE(watch.wait_attached(kStartTimeoutMs));
      PostMessageW(main, WM_COMMAND, MAKEWPARAM(kIdGo, BN_CLICKED), 0);
      // The output still ends like the last run's until this one starts:
      // wait for the worker first.
      ASSERT_TRUE(wait_until([&] { return !watch.seen().empty(); }, kRunTimeoutMs));
      ASSERT_TRUE(wait_until([&] { return run_finished(main); }, kRunTimeoutMs));
      at_start = watch.seen();
    }
    // The worker thread started with every button disabled.
    ASSERT_FALSE(at_start.empty());
    EXPECT_EQ(at_start.front(), std::vector<bool>({false, false, false}));
    EXPECT_TRUE(wait_until([&] { return buttons_enabled(main) == std::vector<bool>({true, true, true}); },
                           kStartTimeoutMs));
    std::string out = window_text_sjis(GetDlgItem(main, kIdOutput));
    EXPECT_EQ(out.rfind("開始します", 0), 0u) << out;
    EXPECT_NE(out.find("\r\n========== "), std::string::npos) << out;
    EXPECT_EQ(out.find("処理除外鯖"), std::string::npos) << "the run did not empty the control";
  }
  EXPECT_EQ(leave(&v, main), 0);
}

TEST(Run, AutoModeRunsOnceAndClosesByItself) {
  for (const wchar_t* words : {L"auto", L"AutoRun", L"leave large"}) {
    SCOPED_TRACE(narrow(words));
    ReaderRoot root;
    root.write("2channel.brd", board_line(main_host("a"), "news"));
    root.write("vendrit.log", "");
    Vendrit v;
    ASSERT_TRUE(v.start(root.path(), words));
    int code = 1000;
    ASSERT_TRUE(v.wait_exit(kRunTimeoutMs, &code)) << "auto mode did not close the window";
    EXPECT_EQ(code, 0);
    std::string log = root.read("vendrit.log");
    EXPECT_EQ(log.rfind("\r\n========== ", 0), 0u) << log;
  }
}

TEST(Run, VendritLogGetsTheFirstRunsRelocationOnly) {
  ReaderRoot root("-ログ");
  // news now lives on b; the reader still keeps it under a.
  std::string a = main_host("a"), b = main_host("b");
  root.write("2channel.brd", board_line(b, "news"));
  root.make_dir(("log\\" + a + "\\news").c_str());
  root.write(("log\\" + a + "\\news\\1000000000.dat").c_str(), "name<>mail<>date<>body<>title\n");
  root.write("vendrit.log", "");
  Vendrit v;
  HWND main = open_main(&v, root);
  ASSERT_TRUE(main);
  ASSERT_TRUE(send_command(main, kIdGo));
  ASSERT_TRUE(wait_until([&] { return run_finished(main); }, kRunTimeoutMs));
  std::string out = window_text_sjis(GetDlgItem(main, kIdOutput));
  std::string log = root.read("vendrit.log");

  // The file holds exactly the window's lines from the time stamp to the end
  // of the relocation phase, then CR LF; window-only lines never reach it.
  size_t ts = out.find("\r\n========== ");
  ASSERT_NE(ts, std::string::npos) << out;
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log.compare(log.size() - 2, 2, "\r\n"), 0);
  std::string logged = log.substr(0, log.size() - 2);
  EXPECT_EQ(out.compare(ts, logged.size(), logged), 0) << "log:\n" << log << "\nwindow:\n" << out;
  EXPECT_EQ(logged.find("\r\n========== "), 0u);
  EXPECT_NE(logged.find("\r\nBBS:news  " + a + "->" + b), std::string::npos) << log;
  EXPECT_EQ(log.find("開始します"), std::string::npos);
  EXPECT_EQ(log.find("終了しました"), std::string::npos);

  // A second run leaves the file alone.
  ASSERT_TRUE(wait_until([&] { return IsWindowEnabled(GetDlgItem(main, kIdGo)) != FALSE; },
                         kStartTimeoutMs));
  ASSERT_TRUE(send_command(main, kIdGo));
  ASSERT_TRUE(wait_until([&] { return run_finished(main); }, kRunTimeoutMs));
  EXPECT_EQ(root.read("vendrit.log"), log);
  EXPECT_EQ(leave(&v, main), 0);
}

// Trees on which an earlier version deleted every thread: a board list that
// spells the board's own server with capitals, and a new server directory
// that is a link to the old one.  Every thread stays where it is.
TEST(Run, BoardsAreNeverMovedOntoThemselves) {
  const std::string old_host = main_host("old"), capital = main_host("New");
  struct Row {
    const char* what;
    std::string board_server, board_dir;
    bool link;  // log\new is a link to log\old
  } rows[] = {
      {"capital letters", capital, "log\\" + capital + "\\news", false},
      {"linked destination", main_host("new"), "log\\" + old_host + "\\news", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ReaderRoot root;
    root.write("2channel.brd", board_line(row.board_server, "news"));
    root.make_dir("log");
    root.make_dir(("log\\" + row.board_dir.substr(4, row.board_dir.find('\\', 4) - 4)).c_str());
    root.make_dir(row.board_dir.c_str());
    root.write((row.board_dir + "\\1.dat").c_str(), "thread one");
    root.write((row.board_dir + "\\1.idx").c_str(), "index one");
    if (row.link) {
      ASSERT_TRUE(root.link_dir(("log\\" + main_host("new")).c_str(), old_host.c_str()));
    }
    Vendrit v;
    ASSERT_TRUE(v.start(root.path(), L"auto"));
    int code = 1000;
    ASSERT_TRUE(v.wait_exit(kRunTimeoutMs, &code));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(root.read((row.board_dir + "\\1.dat").c_str()), "thread one");
    EXPECT_EQ(root.read((row.board_dir + "\\1.idx").c_str()), "index one");
  }
}

TEST(Resources, ScriptsKeepTheirBackslashes) {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring path(exe);
  path = path.substr(0, path.find_last_of(L"\\/")) + L"\\vendrit.exe";
  HMODULE m = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_TRUE(m);
  auto script = [&](int id) {
    wchar_t buf[1024];
    int n = LoadStringW(m, id, buf, 1024);
    return narrow(buf, n);
  };
  for (int id = 1; id <= 27; ++id) {
    std::string s = script(id);
    SCOPED_TRACE(id);
    ASSERT_FALSE(s.empty());
    EXPECT_EQ(s.front(), '\\');
    EXPECT_EQ(s.substr(s.size() - 2), "\\e");
    for (unsigned char c : s) EXPECT_GE(c, 0x20) << "a control character in the script";
  }
  EXPECT_EQ(script(1), "\\_q\\1\\s[10]\\0\\s0\\v「Vendrit」起動しました♪\\e");
  const std::string backup_head = "\\0\\s5\\vバックアップ中です♪\\n\\n\\1\\v";
  EXPECT_EQ(script(3).substr(0, backup_head.size()), backup_head);
  EXPECT_EQ(script(9), "\\v\\s0移動元のログをあぼ～んしちゃいます♪\\e");
  EXPECT_TRUE(LoadImageW(m, MAKEINTRESOURCEW(103), IMAGE_ICON, 32, 32, 0));
  FreeLibrary(m);
}

}  // namespace
}  // namespace e2e
}  // namespace vendrit
