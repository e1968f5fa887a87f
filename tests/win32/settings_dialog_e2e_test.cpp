// End-to-end tests of the settings dialog of vendrit.exe: its layout, what it
// shows and stores, what its clicks announce, and the choice of the backup
// program with the open-file dialog.
#include <gtest/gtest.h>
#include <windows.h>

#include <dlgs.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/wide_text.h"
#include "tests/win32/e2e_fixtures.h"
#include "tests/win32/e2e_support.h"

namespace vendrit {
namespace e2e {
namespace {

const int kAborn = 1000, kLeave = 1001, kPreferNew = 1004, kPreferLarge = 1005;
const int kChangeBbs = 1007, kChangeLink = 1008, kFavourites = 1009, kBackup = 1010;
const int kBackupProg = 1011, kBrowse = 1003, kWait = 1018, kUkagaka = 1019, kNoMove = 1020;
const int kForeign = 1023;

const char* const kNineKeys[] = {"copyonly", "copylarge", "changelink", "changebbs", "backup",
                                 "wait",     "use_ukagaka", "backupprog", "no_move"};

// Opens the settings dialog from the main window's 設定 button.
HWND open_settings(const Vendrit& v, HWND main) {
  PostMessageW(main, WM_COMMAND, MAKEWPARAM(kIdSettings, BN_CLICKED), 0);
  HWND dlg = nullptr;
  wait_until([&] { return (dlg = find_dialog(v.pid(), kUkagaka)) != nullptr; }, kStartTimeoutMs);
  return dlg;
}

// Ends the dialog with OK or Cancel and waits until it is gone.
bool end_dialog(HWND dlg, int id) {
  PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  return wait_until([&] { return !IsWindow(dlg); }, kStartTimeoutMs);
}

std::vector<std::string> nine_keys() {
  return std::vector<std::string>(std::begin(kNineKeys), std::end(kNineKeys));
}

std::string ini_or_missing(const ReaderRoot& root) { return root.read("vendrit.ini"); }

TEST(SettingsDialog, LayoutFollowsTheTemplate) {
  ReaderRoot root;
  root.write("2channel.brd", board_line(main_host("a"), "news"));
  Vendrit v;
  HWND main = open_main(&v, root);
  ASSERT_TRUE(main);
  HWND dlg = open_settings(v, main);
  ASSERT_TRUE(dlg);
  EXPECT_EQ(window_text(dlg), L"Vendrit Version 3.08 [EM64T Version]");
  EXPECT_EQ(GetWindow(dlg, GW_OWNER), main);
  // The large icon is set as well; Wine answers WM_GETICON from another
  // process with nothing, so it cannot be checked from here.
  LONG style = GetWindowLongW(dlg, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE((style & WS_CAPTION) == WS_CAPTION);
  EXPECT_TRUE(GetWindowLongW(dlg, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);

  RECT client;
  GetClientRect(dlg, &client);
  double sx = client.right / 235.0, sy = client.bottom / 215.0;
  enum Kind { kDefButton, kButton, kRadio, kCheck, kGroupBox, kEdit };
  struct Placed {
    int id;
    Kind kind;
    bool group;
    int x, y, cx, cy;
    const char* text;
  };
  // Template order, which is also the tab order.
  const Placed controls[] = {
      {IDOK, kDefButton, false, 178, 7, 50, 20, "OK"},
      {IDCANCEL, kButton, false, 178, 35, 50, 19, "ｷｬﾝｾﾙ"},
      {kAborn, kRadio, true, 15, 22, 53, 11, "あぼ～んする"},
      {kLeave, kRadio, false, 15, 38, 39, 11, "放置する"},
      {-1, kGroupBox, true, 7, 7, 83, 52, "移転元ログファイルを…"},
      {kPreferNew, kRadio, true, 100, 22, 45, 9, "新鯖優先"},
      {kPreferLarge, kRadio, false, 100, 38, 65, 11, "サイズの大きい方"},
      {-1, kGroupBox, true, 95, 7, 80, 52, "ログがダブったら…"},
      {kChangeBbs, kCheck, false, 15, 98, 51, 11, "板名を書換"},
      {kChangeLink, kCheck, false, 15, 80, 54, 11, "リンクを書換"},
      {-1, kGroupBox, false, 7, 69, 221, 60, "その他のオプション"},
      {kFavourites, kCheck, false, 100, 80, 73, 11, "お気に入り再構築"},
      {-1, kGroupBox, false, 7, 135, 221, 60, ""},
      {kBackup, kCheck, false, 15, 135, 139, 10, "外部プログラムを使用してバックアップする"},
      {kBackupProg, kEdit, false, 10, 150, 165, 15, ""},
      {kBrowse, kButton, false, 180, 150, 45, 15, "参照"},
      {kWait, kCheck, false, 15, 174, 135, 10, "外部プログラム終了時、ダイアログを表示"},
      {kUkagaka, kCheck, false, 10, 200, 63, 10, "DirectSSTP発射"},
      {kNoMove, kCheck, false, 100, 98, 98, 10, "dat落ちスレッドは動かさない"},
      {kForeign, kCheck, false, 15, 116, 93, 10, "外部鯖のリンクを確認する"},
  };
  HWND h = GetWindow(dlg, GW_CHILD);
  for (const Placed& c : controls) {
    SCOPED_TRACE(c.text);
    ASSERT_TRUE(h) << "fewer controls than the template";
    if (c.id != -1) {
      EXPECT_EQ(GetDlgCtrlID(h), c.id);
    }
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_NEAR(r.left, c.x * sx, 2.0);
    EXPECT_NEAR(r.top, c.y * sy, 2.0);
    EXPECT_NEAR(r.right - r.left, c.cx * sx, 2.0);
    EXPECT_NEAR(r.bottom - r.top, c.cy * sy, 2.0);
    if (c.kind != kEdit) {
      EXPECT_EQ(window_text(h), widen(c.text));
    }
    LONG s = GetWindowLongW(h, GWL_STYLE);
    EXPECT_EQ((s & WS_GROUP) != 0, c.group);
    // A radio button is a tab stop only while it is selected, so the tab
    // key lands on the group's choice.
    bool tab_stop = c.kind == kRadio ? is_checked(dlg, c.id) : c.kind != kGroupBox;
    EXPECT_EQ((s & WS_TABSTOP) != 0, tab_stop);
    LONG type = s & BS_TYPEMASK;
    switch (c.kind) {
      case kDefButton: EXPECT_EQ(type, BS_DEFPUSHBUTTON); break;
      case kButton: EXPECT_EQ(type, BS_PUSHBUTTON); break;
      case kRadio: EXPECT_EQ(type, BS_AUTORADIOBUTTON); break;
      case kCheck: EXPECT_EQ(type, BS_AUTOCHECKBOX); break;
      case kGroupBox: EXPECT_EQ(type, BS_GROUPBOX); break;
      case kEdit: {
        LONG want = ES_AUTOHSCROLL | ES_OEMCONVERT;
        EXPECT_EQ(s & want, want);
        EXPECT_FALSE(s & ES_MULTILINE);
        EXPECT_TRUE((s & WS_BORDER) || (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
        break;
      }
    }
    h = GetWindow(h, GW_HWNDNEXT);
  }
  EXPECT_FALSE(h) << "more controls than the template";
  ASSERT_TRUE(end_dialog(dlg, IDCANCEL));
  EXPECT_EQ(leave(&v, main), 0);
}

TEST(SettingsDialog, ShowsTheSettingsAndOkStoresAllNineKeysInOrder) {
  struct Case {
    const char* name;
    std::vector<std::pair<const char*, const char*>> ini;
    std::vector<int> checked, unchecked;
    std::vector<std::pair<const char*, const char*>> stored;
  };
  const char* kProgram = profile_text("C:\\退避\\b.exe /q", "C:\\keep\\b.exe /q");
  const Case cases[] = {
      {"no INI file", {},
       {kAborn, kPreferNew, kChangeLink},
       {kLeave, kPreferLarge, kChangeBbs, kFavourites, kBackup, kWait, kUkagaka, kNoMove, kForeign},
       {{"copyonly", "0"}, {"copylarge", "0"}, {"changelink", "1"}, {"changebbs", "0"},
        {"backup", "0"}, {"wait", "0"}, {"use_ukagaka", "0"}, {"backupprog", ""}, {"no_move", "0"}}},
      {"only the value 1 selects the second choice",
       {{"copyonly", "2"}, {"copylarge", "2"}},
       {kAborn, kPreferNew}, {kLeave, kPreferLarge},
       {{"copyonly", "0"}, {"copylarge", "0"}}},
      {"everything on",
       {{"copyonly", "1"}, {"copylarge", "1"}, {"changelink", "0"}, {"changebbs", "5"},
        {"backup", "1"}, {"wait", "-1"}, {"no_move", "1"}, {"backupprog", kProgram}},
       {kLeave, kPreferLarge, kChangeBbs, kBackup, kWait, kNoMove},
       {kAborn, kPreferNew, kChangeLink, kUkagaka},
       {{"copyonly", "1"}, {"copylarge", "1"}, {"changelink", "0"}, {"changebbs", "1"},
        {"backup", "1"}, {"wait", "1"}, {"backupprog", kProgram}, {"no_move", "1"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReaderRoot root("-設定");
    root.write("2channel.brd", board_line(main_host("a"), "news"));
    write_settings(root, c.ini);
    Vendrit v;
    HWND main = open_main(&v, root);
    ASSERT_TRUE(main);
    HWND dlg = open_settings(v, main);
    ASSERT_TRUE(dlg);
    for (int id : c.checked) EXPECT_TRUE(is_checked(dlg, id)) << id;
    for (int id : c.unchecked) EXPECT_FALSE(is_checked(dlg, id)) << id;
    EXPECT_EQ(window_text_sjis(GetDlgItem(dlg, kBackupProg)), read_setting(root, "backupprog") == "<none>"
                                                                  ? ""
                                                                  : read_setting(root, "backupprog"));
    ASSERT_TRUE(end_dialog(dlg, IDOK));
    // EXIT is served after the saving has ended.
    EXPECT_EQ(leave(&v, main), 0);
    std::vector<std::string> keys = setting_keys(root);
    // Keys already in the file keep their places; a new file shows the order.
    if (c.ini.empty()) {
      EXPECT_EQ(keys, nine_keys());
    } else {
      std::sort(keys.begin(), keys.end());
      std::vector<std::string> want = nine_keys();
      std::sort(want.begin(), want.end());
      EXPECT_EQ(keys, want);
    }
    for (const auto& kv : c.stored) EXPECT_EQ(read_setting(root, kv.first), kv.second) << kv.first;
  }
}

TEST(SettingsDialog, OkTakesTheControlsAndCutsALongProgramPath) {
  ReaderRoot root;
  root.write("2channel.brd", board_line(main_host("a"), "news"));
  Vendrit v;
  HWND main = open_main(&v, root);
  ASSERT_TRUE(main);
  HWND dlg = open_settings(v, main);
  ASSERT_TRUE(dlg);
  for (int id : {kLeave, kPreferLarge, kChangeLink, kChangeBbs, kNoMove}) ASSERT_TRUE(click(dlg, id));
  // 300 characters, the 259th a double-byte one that must not be split.
  std::string longer = "C:\\" + std::string(255, 'x') + "退" + std::string(40, 'y');
  DWORD_PTR r = 0;
  SendMessageTimeoutW(GetDlgItem(dlg, kBackupProg), WM_SETTEXT, 0,
                      reinterpret_cast<LPARAM>(widen(longer.c_str()).c_str()), SMTO_ABORTIFHUNG, 5000, &r);
  ASSERT_TRUE(end_dialog(dlg, IDOK));
  EXPECT_EQ(leave(&v, main), 0);
  EXPECT_EQ(read_setting(root, "copyonly"), "1");
  EXPECT_EQ(read_setting(root, "copylarge"), "1");
  EXPECT_EQ(read_setting(root, "changelink"), "0");
  EXPECT_EQ(read_setting(root, "changebbs"), "1");
  EXPECT_EQ(read_setting(root, "no_move"), "1");
  EXPECT_EQ(read_setting(root, "backupprog"), longer.substr(0, 258));
}

// The settings file holds Shift_JIS bytes, as a Japanese Windows writes it,
// whatever the system's code page: a Japanese program is shown as it is and
// saved back byte for byte.
TEST(SettingsDialog, AJapaneseProgramSurvivesTheSettingsFile) {
  const std::string program = "C:\\バックアップ\\実行.exe /x";
  ReaderRoot root;
  root.write("2channel.brd", board_line(main_host("a"), "news"));
  root.write("vendrit.ini", "[vendrit]\r\nbackupprog=" + program + "\r\n");
  Vendrit v;
  HWND main = open_main(&v, root);
  ASSERT_TRUE(main);
  HWND dlg = open_settings(v, main);
  ASSERT_TRUE(dlg);
  EXPECT_EQ(window_text(GetDlgItem(dlg, kBackupProg)), widen(program.c_str()));
  ASSERT_TRUE(end_dialog(dlg, IDOK));
  EXPECT_EQ(leave(&v, main), 0);
  std::string ini = root.read("vendrit.ini");
  EXPECT_NE(ini.find("\r\nbackupprog=" + program + "\r\n"), std::string::npos) << ini;
}

TEST(SettingsDialog, CancelEscAndTheCloseBoxWriteNothing) {
  struct Case {
    const char* name;
    bool ini_exists;
    void (*end)(HWND dlg);
  };
  const Case cases[] = {
      {"Cancel, no INI file", false,
       [](HWND dlg) { PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }},
      {"Cancel, INI file", true,
       [](HWND dlg) { PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }},
      {"Esc", true,
       [](HWND dlg) {
         PostMessageW(GetDlgItem(dlg, kChangeBbs), WM_KEYDOWN, VK_ESCAPE, 0);
       }},
      {"close box", true, [](HWND dlg) { PostMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReaderRoot root;
    root.write("2channel.brd", board_line(main_host("a"), "news"));
    if (c.ini_exists) root.write("vendrit.ini", "[vendrit]\r\ncopyonly=2\r\nchangelink=1\r\n");
    std::string before = ini_or_missing(root);
    Vendrit v;
    HWND main = open_main(&v, root);
    ASSERT_TRUE(main);
    HWND dlg = open_settings(v, main);
    ASSERT_TRUE(dlg);
    for (int id : {kLeave, kChangeLink, kChangeBbs, kBackup}) ASSERT_TRUE(click(dlg, id));
    c.end(dlg);
    ASSERT_TRUE(wait_until([&] { return !IsWindow(dlg); }, kStartTimeoutMs));
    // Nothing was taken either: a fresh dialog shows the old values.  It
    // opens only after the first one's ending has been dealt with.
    dlg = open_settings(v, main);
    ASSERT_TRUE(dlg);
    EXPECT_EQ(ini_or_missing(root), before);
    EXPECT_TRUE(is_checked(dlg, kAborn));
    EXPECT_TRUE(is_checked(dlg, kChangeLink));
    EXPECT_FALSE(is_checked(dlg, kBackup));
    ASSERT_TRUE(end_dialog(dlg, IDCANCEL));
    EXPECT_EQ(leave(&v, main), 0);
  }
}

// Clicks, and what each announces, with use_ukagaka on and a host present
// that answers each request from inside its handler, as real hosts do.
// The check boxes start as the defaults leave them (リンクを書換 ticked).
TEST(SettingsDialog, EveryChoiceClickIsAnnouncedAtOnceWithThePause) {
  ReaderRoot root;
  root.write("2channel.brd", board_line(main_host("a"), "news"));
  write_settings(root, {{"use_ukagaka", "1"}});
  FakeHost host;
  ASSERT_TRUE(host.start(root.full("host.txt"), L"--answer"));
  Vendrit v;
  HWND main = open_main(&v, root);
  ASSERT_TRUE(main);
  ASSERT_TRUE(wait_until([&] { return host.events().size() == 1; }, kStartTimeoutMs));
  HWND dlg = open_settings(v, main);
  ASSERT_TRUE(dlg);
  struct Click {
    int id;
    int script;
  };
  const Click clicks[] = {
      {kLeave, 10},      {kLeave, 10},       {kAborn, 9},        {kPreferLarge, 12},
      {kPreferNew, 11},  {kChangeLink, 17},  {kChangeLink, 13},  {kChangeBbs, 14},
      {kChangeBbs, 18},  {kFavourites, 15},  {kFavourites, 19},  {kBackup, 16},
      {kBackup, 20},     {kWait, 22},        {kWait, 23},        {kNoMove, 24},
      {kNoMove, 25},     {kForeign, 26},     {kForeign, 27},
  };
  std::vector<int> want = {1};
  for (const Click& c : clicks) {
    size_t before = host.received().size();
    ASSERT_TRUE(click(dlg, c.id));
    // Sent before the click returns.
    EXPECT_EQ(host.received().size(), before + 1) << c.id;
    want.push_back(c.script);
  }
  ASSERT_TRUE(end_dialog(dlg, IDCANCEL));
  std::vector<Received> got = host.received();
  ASSERT_EQ(host.events(), want);
  for (size_t i = 1; i < got.size(); ++i) {
    SCOPED_TRACE(want[i]);
    EXPECT_EQ(got[i].tag, 9801u);
    EXPECT_EQ(got[i].data, notify_text(want[i], main));
    EXPECT_EQ(got[i].length, got[i].data.size());
    EXPECT_EQ(got[i].answered, 1);
    EXPECT_LT(got[i].took, 1000u) << "the answer waited for the request's time-out";
    if (i + 1 < got.size()) {
      EXPECT_GE(got[i + 1].ms - got[i].ms, 450u) << "no pause";
    }
  }
  EXPECT_EQ(ini_or_missing(root), "[vendrit]\r\nuse_ukagaka=1\r\n");
  EXPECT_EQ(leave(&v, main), 0);
}

TEST(SettingsDialog, DirectSstpBoxSwitchesAnnouncementsAtOnceEvenOnCancel) {
  ReaderRoot root;
  MovedBoard board;
  board.prepare(root);
  write_settings(root, {{"use_ukagaka", "0"}});
  std::string before = ini_or_missing(root);
  FakeHost host;
  ASSERT_TRUE(host.start(root.full("host.txt")));
  Vendrit v;
  HWND main = open_main(&v, root);
  ASSERT_TRUE(main);
  HWND dlg = open_settings(v, main);
  ASSERT_TRUE(dlg);
  ASSERT_TRUE(click(dlg, kAborn));     // off: nothing
  ASSERT_TRUE(click(dlg, kUkagaka));   // ticked: 21 at once
  EXPECT_EQ(host.events(), std::vector<int>({21}));
  ASSERT_TRUE(click(dlg, kAborn));     // now announced
  ASSERT_TRUE(click(dlg, kUkagaka));   // cleared: nothing, and silence from here
  ASSERT_TRUE(click(dlg, kLeave));
  ASSERT_TRUE(click(dlg, kUkagaka));   // ticked again: 21
  ASSERT_TRUE(click(dlg, kUkagaka));   // cleared again
  ASSERT_TRUE(end_dialog(dlg, IDCANCEL));
  EXPECT_EQ(ini_or_missing(root), before);
  ASSERT_TRUE(send_command(main, kIdGo));
  ASSERT_TRUE(wait_until([&] { return run_finished(main); }, kRunTimeoutMs));
  EXPECT_EQ(leave(&v, main), 0);
  EXPECT_EQ(host.events(), std::vector<int>({21, 9, 21}));
}

TEST(SettingsDialog, SetupModeShowsTheWordsChoicesAndSavesUnlessCancelled) {
  struct Case {
    const char* name;
    const wchar_t* words;
    int end_with;
    bool saved;
  };
  const Case cases[] = {
      {"setup new, OK", L"setup new", IDOK, true},
      {"SETUP new, Cancel", L"SETUP new", IDCANCEL, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReaderRoot root;
    root.write("2channel.brd", board_line(main_host("a"), "news"));
    write_settings(root, {{"copylarge", "1"}, {"use_ukagaka", "1"}});
    std::string before = ini_or_missing(root);
    FakeHost host;
    ASSERT_TRUE(host.start(root.full("host.txt")));
    Vendrit v;
    ASSERT_TRUE(v.start(root.path(), c.words));
    HWND dlg = nullptr;
    ASSERT_TRUE(wait_until([&] { return (dlg = find_dialog(v.pid(), kUkagaka)) != nullptr; },
                           kStartTimeoutMs));
    EXPECT_EQ(GetWindow(dlg, GW_OWNER), nullptr);
    EXPECT_EQ(window_text(dlg), L"Vendrit Version 3.08 [EM64T Version]");
    EXPECT_TRUE(is_checked(dlg, kPreferNew));
    EXPECT_FALSE(is_checked(dlg, kPreferLarge));
    // No host is looked up in this mode: clicks announce nothing.
    ASSERT_TRUE(click(dlg, kChangeBbs));
    ASSERT_TRUE(click(dlg, kUkagaka));
    ASSERT_TRUE(click(dlg, kUkagaka));
    ASSERT_TRUE(end_dialog(dlg, c.end_with));
    int code = 1000;
    ASSERT_TRUE(v.wait_exit(kStartTimeoutMs, &code));
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(find_dialog(v.pid(), kIdOutput)) << "the main window opened";
    EXPECT_TRUE(host.received().empty());
    if (c.saved) {
      std::vector<std::string> keys = setting_keys(root), want = nine_keys();
      std::sort(keys.begin(), keys.end());
      std::sort(want.begin(), want.end());
      EXPECT_EQ(keys, want);
      EXPECT_EQ(read_setting(root, "copylarge"), "0");
      EXPECT_EQ(read_setting(root, "changebbs"), "1");
    } else {
      EXPECT_EQ(ini_or_missing(root), before);
    }
  }
}

TEST(SettingsDialog, BrowseTakesTheProgramAtOnceAndRestoresTheStartDirectory) {
  ReaderRoot root("-参照");
  MovedBoard board;
  board.prepare(root);
  BackupProgram prog(root);
  write_settings(root, {{"backup", "1"}});
  std::string before = ini_or_missing(root);
  Vendrit v;
  HWND main = open_main(&v, root);
  ASSERT_TRUE(main);
  HWND dlg = open_settings(v, main);
  ASSERT_TRUE(dlg);
  PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(kBrowse, BN_CLICKED), 0);
  const std::wstring title = widen("外部バックアッププログラムの選択");
  HWND open = nullptr;
  ASSERT_TRUE(wait_until([&] { return (open = find_dialog(v.pid(), 0, title)) != nullptr; },
                         kStartTimeoutMs));
  EXPECT_EQ(GetWindow(open, GW_OWNER), dlg);
  // The file-type list offers the two filters, the first selected.
  HWND types = GetDlgItem(open, cmb1);
  ASSERT_TRUE(types);
  DWORD_PTR count = 0, selected = 99;
  SendMessageTimeoutW(types, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count);
  SendMessageTimeoutW(types, CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &selected);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(selected, 0u);
  // Type the program's path and confirm, as the user would.
  HWND name = GetDlgItem(open, cmb13);
  if (!name) name = GetDlgItem(open, edt1);
  ASSERT_TRUE(name);
  DWORD_PTR r = 0;
  SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(prog.program().c_str()),
                      SMTO_ABORTIFHUNG, 5000, &r);
  PostMessageW(open, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  ASSERT_TRUE(wait_until([&] { return !IsWindow(open); }, kStartTimeoutMs));
  EXPECT_TRUE(wait_until([&] { return window_text(GetDlgItem(dlg, kBackupProg)) == prog.program(); },
                         kStartTimeoutMs))
      << utf8(window_text(GetDlgItem(dlg, kBackupProg)));
  // Cancel keeps the choice for this process but writes nothing.
  ASSERT_TRUE(end_dialog(dlg, IDCANCEL));
  EXPECT_EQ(ini_or_missing(root), before);
  ASSERT_TRUE(send_command(main, kIdGo));
  ASSERT_TRUE(wait_until([&] { return run_finished(main); }, kRunTimeoutMs));
  // Started without arguments, it recorded into its own directory.
  BackupRecord rec = prog.record_without_arguments();
  ASSERT_TRUE(rec.ran);
  EXPECT_EQ(rec.cwd, utf8(prog.dir()));
  std::string out = window_text_sjis(GetDlgItem(main, kIdOutput));
  EXPECT_EQ(out.find("失敗"), std::string::npos) << out;
  // The run found "log" where the start directory has it.
  EXPECT_EQ(root.read(board.source().c_str()), "<missing>") << out;
  EXPECT_EQ(leave(&v, main), 0);
}

}  // namespace
}  // namespace e2e
}  // namespace vendrit
