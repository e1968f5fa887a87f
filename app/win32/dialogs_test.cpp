// The main window and the settings dialog in this process, from the linked
// resources, driven with the messages clicks and keys send; a hidden window
// stands in for the desktop-mascot host and records what it is sent.
#include <windows.h>

#include <algorithm>

#include "app/main_window.h"
#include "app/win32/main_dialog.h"
#include "app/win32/win32_ui.h"
#include "platform/env.h"
#include "platform/win32/wide_text.h"
#include "report/progress_log.h"
#include "report/sstp_notify.h"
#include "res/resource.h"
#include "state/run_settings.h"
#include "tests/test_support.h"

namespace vendrit {
namespace {

std::vector<std::string> g_sent;  // what the stand-in host was sent

LRESULT CALLBACK host_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg != WM_COPYDATA) return DefWindowProcW(hwnd, msg, wparam, lparam);
  const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
  EXPECT_EQ(cds->dwData, kSstpCopyDataTag);
  g_sent.emplace_back(static_cast<const char*>(cds->lpData), cds->cbData);
  return TRUE;
}

std::vector<int> events() {
  std::vector<int> out;
  for (const std::string& r : g_sent) out.push_back(atoi(r.c_str() + r.find("VendritStat") + 11));
  return out;
}

std::string text_of(HWND hwnd) {
  std::wstring w(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  w.resize(static_cast<size_t>(GetWindowTextW(hwnd, &w[0], static_cast<int>(w.size()))));
  return narrow(w.c_str());
}

void click(HWND dlg, int id) { SendMessageW(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }

int enabled_buttons(HWND main) {
  int n = 0;
  for (int id : {IDC_GO, IDC_SETTINGS, IDC_EXIT}) n += IsWindowEnabled(GetDlgItem(main, id)) != FALSE;
  return n;
}

// Serves this thread's messages as the dialog's loop would, until `done`.
bool pump_until(HWND dlg, const std::function<bool()>& done, DWORD ms = 10000) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(5)) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (!IsDialogMessageW(dlg, &m)) TranslateMessage(&m), DispatchMessageW(&m);
    }
    if (done()) return true;
  }
  return false;
}

// Runs `body` inside the next modal dialog holding `control`, as the user's
// actions arrive there; a body that fails early leaves the dialog ended.
std::vector<std::pair<int, std::function<void(HWND)>>> g_inside;  // control, body

void CALLBACK run_inside(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dlg = nullptr;
  while ((dlg = FindWindowExW(nullptr, dlg, L"#32770", nullptr)) != nullptr &&
         !GetDlgItem(dlg, g_inside.back().first)) {
  }
  if (!dlg) return;  // not open yet
  KillTimer(nullptr, timer);
  auto body = g_inside.back().second;
  g_inside.pop_back();
  if (pump_until(dlg, [&] { return IsWindowVisible(dlg) != FALSE; })) body(dlg);
  if (IsWindowVisible(dlg)) EndDialog(dlg, 99);
}

void inside_dialog(int control, std::function<void(HWND)> body) {
  g_inside.emplace_back(control, std::move(body));
  SetTimer(nullptr, 0, 10, run_inside);
}

class DialogTest : public RootTest {
 protected:
  void SetUp() override {
    RootTest::SetUp();
    g_ui = &win_ui_;
    g_settings.use_ukagaka = 1;
    g_run_mode = 1;
    env()->absolute_path("vendrit.ini", g_ini_path, sizeof g_ini_path);
    env()->current_dir(g_start_dir, sizeof g_start_dir);
    host_ = CreateWindowW(L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, instance_, nullptr);
    SetWindowLongPtrW(host_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(host_proc));
    g_sstp_target = reinterpret_cast<intptr_t>(host_);
    g_sent.clear();
  }
  void TearDown() override {
    g_sstp_target = 0;
    DestroyWindow(host_);
    RootTest::TearDown();
  }
  // The settings dialog opened by 設定 and worked by `body`, then EXIT.
  void from_main_window(std::function<void(HWND)> body) {
    inside_dialog(IDC_OUTPUT, [&](HWND main) {
      inside_dialog(IDC_UKAGAKA, body);
      click(main, IDC_SETTINGS);
      EXPECT_TRUE(IsWindowVisible(main));
      click(main, IDC_EXIT);
    });
    run_main_dialog(instance_);
  }

  HINSTANCE instance_ = GetModuleHandleW(nullptr);
  Win32Ui win_ui_{instance_};
  HWND host_ = nullptr;
};

// The whole of a summary beyond an edit control's default limit; only a
// copy-data message holding "SSTP" (a host's answer) is taken; Esc and the
// close box leave the window open; GO! runs on a worker while the buttons
// are disabled, twice; then EXIT closes.
TEST_F(DialogTest, MainWindow) {
  for (int i = 0; i < 1000; ++i) {
    std::string n = std::to_string(i);
    add_exclusion(("server" + n + ".example").c_str(), ("board" + n).c_str());
  }
  RecordingUi summary;
  g_ui = &summary;
  show_exclusion_summary();
  g_ui = &win_ui_;
  ASSERT_GT(summary.output.size(), 40000u);
  HWND seen = nullptr;
  inside_dialog(IDC_OUTPUT, [&](HWND main) {
    HWND output = GetDlgItem(main, IDC_OUTPUT);
    seen = main;
    EXPECT_EQ(text_of(output), summary.output);
    EXPECT_EQ(text_of(main), "Vendrit Version 3.08 [EM64T Version]");
    const std::pair<const char*, LRESULT> copy_data[] = {
        {"SSTP/1.1 200 OK\r\n", TRUE}, {"NOTIFY SSTP/1.1", TRUE}, {"sstp/1.1", FALSE}, {"", FALSE}};
    for (const auto& c : copy_data) {
      COPYDATASTRUCT cds = {9801, static_cast<DWORD>(strlen(c.first)), const_cast<char*>(c.first)};
      EXPECT_EQ(SendMessageW(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)), c.second) << c.first;
    }
    SendMessageW(main, WM_COMMAND, IDCANCEL, 0);
    PostMessageW(GetDlgItem(main, IDC_GO), WM_KEYDOWN, VK_ESCAPE, 0);
    SendMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    SendMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_FALSE(pump_until(main, [&] { return !IsWindowVisible(main); }, 300));
    const std::string done = "\r\n終了しました";
    for (int round = 1; round <= 2; ++round) {
      std::string before = text_of(output);
      click(main, IDC_GO);
      // The worker's first line waits for this thread to serve it.
      EXPECT_EQ(enabled_buttons(main), 0) << round;
      EXPECT_EQ(text_of(output), before);
      EXPECT_TRUE(pump_until(main, [&] {
        std::string out = text_of(output);
        return out.size() > done.size() && out.compare(out.size() - done.size(), done.size(), done) == 0 &&
               enabled_buttons(main) == 3;
      })) << round << text_of(output);
      EXPECT_EQ(text_of(output).rfind("開始します\r\n", 0), 0u);
    }
    EXPECT_TRUE(pump_until(main, [&] { return click(main, IDC_EXIT), !IsWindowVisible(main); }));
  });
  run_main_dialog(instance_);
  EXPECT_EQ(events(), (std::vector<int>{1, 4, 5, 8, 4, 5, 8, 2}));
  ASSERT_FALSE(g_sent.empty());
  EXPECT_NE(g_sent[0].find("\r\nScript: \\_q\\1\\s[10]\\0\\s0\\v「Vendrit」起動しました♪\\e\r\n"),
            std::string::npos) << g_sent[0];
  EXPECT_NE(g_sent.back().find("\r\nHWnd: " + std::to_string(reinterpret_cast<intptr_t>(seen))),
            std::string::npos);
}

// Only copyonly 1 selects the second choice; every other control shows its
// setting; OK stores each control, clicked over, and cuts a long program path
// on a whole character.
TEST_F(DialogTest, SettingsShowTheValuesAndOkStoresTheControls) {
  g_settings = {2, 1, 0, 1, 1, 0, 1, "C:\\退避\\b.exe /q", 0};
  g_foreign_server = 1;
  const int choices[] = {IDC_ABORN,  IDC_LEAVE,        IDC_PREFER_LARGE, IDC_PREFER_NEW, IDC_CHANGEBBS, IDC_CHANGELINK,
                         IDC_FAVOURITES, IDC_BACKUP, IDC_WAIT_CONFIRM, IDC_UKAGAKA,    IDC_NO_MOVE,   IDC_FOREIGN};
  const std::vector<int> shown = {IDC_ABORN, IDC_PREFER_LARGE, IDC_CHANGEBBS, IDC_BACKUP, IDC_UKAGAKA, IDC_FOREIGN};
  const std::string longer = "C:\\" + std::string(255, 'x') + "退" + std::string(40, 'y');
  from_main_window([&](HWND dlg) {
    for (int id : choices) {
      bool want = std::count(shown.begin(), shown.end(), id) != 0;
      EXPECT_EQ(IsDlgButtonChecked(dlg, id) == BST_CHECKED, want) << id;
      if (id != IDC_ABORN && id != IDC_PREFER_LARGE) click(dlg, id);
    }
    EXPECT_EQ(text_of(GetDlgItem(dlg, IDC_BACKUPPROG)), "C:\\退避\\b.exe /q");
    SetDlgItemTextW(dlg, IDC_BACKUPPROG, widen(longer.c_str()).c_str());
    click(dlg, IDOK);
  });
  EXPECT_EQ(read_file("vendrit.ini"),
            "[vendrit]\r\ncopyonly=1\r\ncopylarge=0\r\nchangelink=1\r\nchangebbs=0\r\nbackup=0\r\nwait=1\r\n"
            "use_ukagaka=0\r\nbackupprog=" + longer.substr(0, 258) + "\r\nno_move=1\r\n");
  EXPECT_EQ(g_favourites_rebuild, 1);
  EXPECT_EQ(g_foreign_server, 0);
}

// Each click announces its script (0: silent); DirectSSTP acts at once, even
// when Cancel, Esc or the close box then end the dialog and take nothing else.
TEST_F(DialogTest, ClicksAnnounceAndCancelEscAndCloseTakeNothing) {
  const std::pair<int, int> clicks[] = {
      {IDC_LEAVE, 10},       {IDC_LEAVE, 10},        {IDC_ABORN, 9},         {IDC_PREFER_LARGE, 12},
      {IDC_PREFER_NEW, 11},  {IDC_CHANGELINK, 17},   {IDC_CHANGELINK, 13},   {IDC_CHANGEBBS, 14},
      {IDC_CHANGEBBS, 18},   {IDC_FAVOURITES, 15},   {IDC_FAVOURITES, 19},   {IDC_BACKUP, 16},
      {IDC_BACKUP, 20},      {IDC_WAIT_CONFIRM, 22}, {IDC_WAIT_CONFIRM, 23}, {IDC_NO_MOVE, 24},
      {IDC_NO_MOVE, 25},     {IDC_FOREIGN, 26},      {IDC_FOREIGN, 27},      {IDC_UKAGAKA, 0},
      {IDC_ABORN, 0},        {IDC_UKAGAKA, 21},      {IDC_LEAVE, 10},        {IDC_UKAGAKA, 0}};
  const std::pair<const char*, void (*)(HWND)> endings[] = {
      {"Cancel", [](HWND dlg) { click(dlg, IDCANCEL); }},
      {"Esc", [](HWND dlg) { PostMessageW(GetDlgItem(dlg, IDC_CHANGEBBS), WM_KEYDOWN, VK_ESCAPE, 0); }},
      {"close box", [](HWND dlg) { PostMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const auto& ending : endings) {
    SCOPED_TRACE(ending.first);
    g_sent.clear();
    g_settings.use_ukagaka = 1;
    std::vector<int> want = {1};  // the main window's start
    from_main_window([&](HWND dlg) {
      for (const auto& c : clicks) click(dlg, c.first), want.push_back(c.second);
      SetDlgItemTextW(dlg, IDC_BACKUPPROG, L"b.exe");
      ending.second(dlg);
      EXPECT_TRUE(pump_until(dlg, [&] { return !IsWindowVisible(dlg); }));
    });
    want.erase(std::remove(want.begin(), want.end(), 0), want.end());
    EXPECT_EQ(events(), want);
    EXPECT_FALSE(file_exists("vendrit.ini"));
    EXPECT_EQ(g_settings.use_ukagaka + g_settings.copyonly, 0);
    EXPECT_STREQ(g_settings.backupprog, "");
  }
}

}  // namespace
}  // namespace vendrit
