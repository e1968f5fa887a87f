// The main window and the settings dialog in this process, from the linked
// resources, driven with the messages clicks and keys send; a hidden window
// stands in for the desktop-mascot host and records what it is sent.
#include <windows.h>

#include <dlgs.h>

#include <thread>

#include "app/main_window.h"
#include "app/win32/main_dialog.h"
#include "app/win32/settings_dialog.h"
#include "app/win32/win32_ui.h"
#include "platform/win32/wide_text.h"
#include "res/resource.h"
#include "tests/test_support.h"

namespace vendrit {
namespace {

std::vector<int> g_events;  // the event of each request the stand-in host was sent
std::string g_first;        // and the first request

LRESULT CALLBACK host_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg != WM_COPYDATA) return DefWindowProcW(hwnd, msg, wparam, lparam);
  const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
  std::string request(static_cast<const char*>(cds->lpData), cds->cbData);
  if (g_events.empty()) g_first = request;
  g_events.push_back(atoi(request.c_str() + request.find("VendritStat") + 11));
  return TRUE;
}

std::string text_of(HWND hwnd) {
  std::wstring w(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  w.resize(static_cast<size_t>(GetWindowTextW(hwnd, &w[0], static_cast<int>(w.size()))));
  return narrow(w.c_str());
}

void click(HWND dlg, int id) { SendMessageW(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }

// Serves this thread's messages as the dialog's loop would, until `done`.
bool pump_until(HWND dlg, const std::function<bool()>& done, DWORD ms = 10000) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(5)) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) if (!IsDialogMessageW(dlg, &m)) DispatchMessageW(&m);
    if (done()) return true;
  }
  return false;
}

// Runs `body` inside the next modal dialog holding `control`, as the user's
// actions arrive there; a body that fails early leaves the dialog ended.
std::vector<std::pair<int, std::function<void(HWND)>>> g_inside;  // control, body

void CALLBACK run_inside(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dlg = nullptr;
  do dlg = FindWindowExW(nullptr, dlg, L"#32770", nullptr); while (dlg && !GetDlgItem(dlg, g_inside.back().first));
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
    progress_.ui = &win_ui_;
    settings_.use_ukagaka = 1;
    choices_.run_mode = 1;
    host_ = CreateWindowW(L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, instance_, nullptr);
    SetWindowLongPtrW(host_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(host_proc));
    progress_.sstp_target = reinterpret_cast<intptr_t>(host_);
    g_events.clear();
  }
  void TearDown() override {
    DestroyWindow(host_);
    RootTest::TearDown();
  }

  HINSTANCE instance_ = GetModuleHandleW(nullptr);
  Win32Ui win_ui_{instance_, &run_};
  HWND host_ = nullptr;
};

// A summary beyond an edit control's default limit shown whole; only a copy-data message holding
// "SSTP" (a host's answer) taken; GO! run on a worker while the buttons are disabled; only EXIT closes.
TEST_F(DialogTest, MainWindow) {
  for (int i = 0; i < 1000; ++i) add_exclusion(("s" + std::to_string(i) + ".example").c_str(), "board");
  show_exclusion_summary(*ui_, catalogue_);
  ASSERT_GT(ui_->output.size(), 40000u);
  inside_dialog(IDC_OUTPUT, [&](HWND main) {
    HWND output = GetDlgItem(main, IDC_OUTPUT);
    auto enabled_buttons = [&] {
      return !!IsWindowEnabled(GetDlgItem(main, IDC_GO)) + !!IsWindowEnabled(GetDlgItem(main, IDC_SETTINGS)) +
             !!IsWindowEnabled(GetDlgItem(main, IDC_EXIT));
    };
    EXPECT_EQ(text_of(output), ui_->output);
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
    for (int round = 1; round <= 2; ++round) {
      click(main, IDC_GO);  // the worker's first line waits for this thread to serve it
      EXPECT_EQ(enabled_buttons(), 0) << round;
      EXPECT_TRUE(pump_until(main, [&] {
        return enabled_buttons() == 3 && text_of(output).find("\r\n終了しました") != std::string::npos;
      })) << round << text_of(output);
      EXPECT_EQ(text_of(output).rfind("開始します\r\n", 0), 0u);
    }
    EXPECT_TRUE(pump_until(main, [&] { return click(main, IDC_EXIT), !IsWindowVisible(main); }));
  });
  run_main_dialog(instance_, run_);
  EXPECT_EQ(g_events, (std::vector<int>{1, 4, 5, 8, 4, 5, 8, 2}));
  EXPECT_NE(g_first.find("\r\nScript: \\_q\\1\\s[10]\\0\\s0\\v「Vendrit」起動しました♪\\e\r\n"),
            std::string::npos) << g_first;
}

// Only copyonly 1 selects the second choice and every other control shows its
// setting; each click announces its script, pausing off the dialog's thread,
// and DirectSSTP acts at once, silencing what follows when cleared; OK stores
// every control, clicked over, and cuts a long program path on a whole
// character, while Cancel, Esc and the close box take nothing else.
TEST_F(DialogTest, Settings) {
  const std::pair<int, bool> shown[] = {  // ticked, or selected
      {IDC_ABORN, 1},  {IDC_LEAVE, 0},      {IDC_PREFER_NEW, 0}, {IDC_PREFER_LARGE, 1}, {IDC_CHANGEBBS, 1}, {IDC_CHANGELINK, 0},
      {IDC_FAVOURITES, 0}, {IDC_BACKUP, 1}, {IDC_WAIT_CONFIRM, 0}, {IDC_UKAGAKA, 1}, {IDC_NO_MOVE, 0},   {IDC_FOREIGN, 1}};
  const std::string longer = "C:\\" + std::string(255, 'x') + "退" + std::string(40, 'y');
  const struct {
    const char* name;
    int control;  // 0: the dialog itself
    UINT msg;
    WPARAM wparam;
  } endings[] = {{"Cancel", IDCANCEL, BM_CLICK, 0}, {"Esc", IDC_CHANGEBBS, WM_KEYDOWN, VK_ESCAPE},
                 {"close box", 0, WM_SYSCOMMAND, SC_CLOSE}, {"OK", IDOK, BM_CLICK, 0}};
  for (const auto& ending : endings) {
    SCOPED_TRACE(ending.name);
    settings_ = {2, 1, 0, 1, 1, 0, 1, "C:\\退避\\b.exe /q", 0};
    choices_ = {0, 1};
    g_events.clear();
    fault_.slept_ms = 0;
    inside_dialog(IDC_OUTPUT, [&](HWND main) {
      inside_dialog(IDC_UKAGAKA, [&](HWND dlg) {
        for (auto c : shown) EXPECT_EQ(IsDlgButtonChecked(dlg, c.first), c.second ? BST_CHECKED : 0u) << c.first;
        EXPECT_EQ(text_of(GetDlgItem(dlg, IDC_BACKUPPROG)), "C:\\退避\\b.exe /q");
        for (int id : {IDC_LEAVE, IDC_ABORN, IDC_LEAVE, IDC_PREFER_NEW, IDC_PREFER_LARGE, IDC_PREFER_NEW}) click(dlg, id);
        for (int id : {IDC_CHANGELINK, IDC_CHANGEBBS, IDC_FAVOURITES, IDC_BACKUP, IDC_WAIT_CONFIRM, IDC_NO_MOVE,
                       IDC_FOREIGN}) {
          click(dlg, id), click(dlg, id), click(dlg, id);
        }
        for (int id : {IDC_UKAGAKA, IDC_LEAVE, IDC_UKAGAKA, IDC_LEAVE, IDC_UKAGAKA}) click(dlg, id);
        SetDlgItemTextW(dlg, IDC_BACKUPPROG, widen(longer.c_str()).c_str());
        PostMessageW(ending.control ? GetDlgItem(dlg, ending.control) : dlg, ending.msg, ending.wparam, 0);
        EXPECT_TRUE(pump_until(dlg, [&] { return !IsWindowVisible(dlg); }));
      });
      click(main, IDC_SETTINGS);
      EXPECT_TRUE(IsWindowVisible(main));
      click(main, IDC_EXIT);
    });
    run_main_dialog(instance_, run_);
    EXPECT_EQ(g_events, (std::vector<int>{1,  10, 9,  10, 11, 12, 11, 13, 17, 13, 18, 14, 18, 15, 19,
                                          15, 20, 16, 20, 22, 23, 22, 24, 25, 24, 27, 26, 27, 21, 10}));
    // Each click paused after its announcement, never on the dialog's thread.
    EXPECT_EQ(fault_.slept_ms, 29 * kSstpPauseMs);
    EXPECT_EQ(fault_.sleepers.count(std::this_thread::get_id()), 0u);
    bool ok = ending.control == IDOK;
    EXPECT_EQ(read_file("vendrit.ini"),
              ok ? "[vendrit]\r\ncopyonly=1\r\ncopylarge=0\r\nchangelink=1\r\nchangebbs=0\r\nbackup=0\r\nwait=1\r\n"
                   "use_ukagaka=0\r\nbackupprog=" + longer.substr(0, 258) + "\r\nno_move=1\r\n" : "<missing>");
    // DirectSSTP was cleared at once, whatever ended the dialog.
    EXPECT_EQ((std::vector<int>{settings_.use_ukagaka, settings_.copyonly, choices_.favourites_rebuild,
                                choices_.foreign_server}),
              (ok ? std::vector<int>{0, 1, 1, 0} : std::vector<int>{0, 2, 0, 1}));
  }
}

// The program chosen with 参照 is taken at once, quoted: its folder's name has a blank.
TEST_F(DialogTest, SettingsBrowseQuotesTheChoice) {
  write_file("バック アップ\\bk.exe", "");
  const std::string chosen = root_->path() + "\\バック アップ\\bk.exe";
  inside_dialog(IDC_UKAGAKA, [&](HWND dlg) {
    inside_dialog(cmb13, [&](HWND open) {
      SetDlgItemTextW(open, cmb13, widen(chosen.c_str()).c_str());
      click(open, IDOK);
    });
    click(dlg, IDC_BROWSE);
    click(dlg, IDCANCEL);
  });
  open_settings_dialog(instance_, nullptr, run_);
  EXPECT_EQ(settings_.backupprog, "\"" + chosen + "\"");
}

}  // namespace
}  // namespace vendrit
