// The main window and the settings dialog in this process, from the linked
// resources, driven with the messages clicks send.
#include <windows.h>

#include <dlgs.h>

#include <thread>

#include "app/main_window.h"
#include "app/win32/main_dialog.h"
#include "app/win32/settings_dialog.h"
#include "app/win32/win32_ui.h"
#include "platform/win32/wide_text.h"
#include "report/sstp_notify.h"
#include "res/resource.h"
#include "tests/test_support.h"

namespace vendrit {
namespace {

void click(HWND dlg, int id) { SendMessageW(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }

// Runs `body` inside the next modal dialog holding `control`, as the user's
// actions arrive there; a body that fails early leaves the dialog ended.
std::vector<std::pair<int, std::function<void(HWND)>>> g_inside;  // control, body

void CALLBACK run_inside(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dlg = GetActiveWindow();
  if (!GetDlgItem(dlg, g_inside.back().first)) return;  // not open yet
  KillTimer(nullptr, timer);
  auto body = g_inside.back().second;
  g_inside.pop_back();
  body(dlg);
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
  }
  HINSTANCE instance_ = GetModuleHandleW(nullptr);
  Win32Ui win_ui_{instance_, &run_};
};

// A summary beyond an edit control's default limit is shown whole; a
// copy-data message without "SSTP" (a host's answer) is not taken; the
// preview asked for at start-up runs on a worker while the buttons are
// disabled, and moves nothing; EXIT closes.
TEST_F(DialogTest, MainWindow) {
  const std::string thread = "log\\" + kOld + "\\news\\1.dat";
  write_file(thread, "data");
  add_board(server("newer"), "news");
  for (int i = 0; i < 1000; ++i) add_exclusion("s" + std::to_string(i) + ".example", "board");
  show_exclusion_summary(*ui_, catalogue_);
  inside_dialog(IDC_OUTPUT, [&](HWND main) {
    HWND output = GetDlgItem(main, IDC_OUTPUT);
    std::wstring shown(GetWindowTextLengthW(output) + 1, L'\0');
    GetWindowTextW(output, &shown[0], shown.size());
    EXPECT_EQ(narrow(shown.c_str()), ui_->output);
    char lower_case[] = "sstp/1.1 200 OK";  // no host's answer
    COPYDATASTRUCT cds = {9801, sizeof lower_case - 1, lower_case};
    EXPECT_FALSE(SendMessageW(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)));
    // What the start-up posts; the worker's first line waits for this thread to serve it.
    SendMessageW(main, WM_COMMAND, kPostedPreviewCommand, 0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, IDC_GO)));
    // Serves this thread's messages as the dialog's loop would; EXIT is taken once the preview has ended.
    for (DWORD start = GetTickCount(); IsWindowVisible(main) && GetTickCount() - start < 10000; Sleep(5)) {
      MSG m;
      while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) if (!IsDialogMessageW(main, &m)) DispatchMessageW(&m);
      click(main, IDC_EXIT);
    }
    EXPECT_FALSE(IsWindowVisible(main));
  });
  run_main_dialog(instance_, run_);
  EXPECT_TRUE(file_exists(thread));
}

// The controls show the settings (copyonly only when 1) and OK stores them
// back as they were left, with the program chosen with 参照 quoted (its
// folder's name has a blank).  A click is announced, and paused after, off
// the dialog's thread (the host named is no window: the sending fails, the
// pause stays).
TEST_F(DialogTest, Settings) {
  settings_ = {.copyonly = 2, .copylarge = 1, .changelink = 0, .changebbs = 1, .backup = 1, .use_ukagaka = 1};
  choices_ = {.favourites_rebuild = 0, .foreign_server = 1};
  progress_.sstp_target = 1;
  write_file("バック アップ\\bk.exe", "");
  const std::string chosen = root_->path() + "\\バック アップ\\bk.exe";
  inside_dialog(IDC_UKAGAKA, [&](HWND dlg) {
    inside_dialog(cmb13, [&](HWND open) {
      SetDlgItemTextW(open, cmb13, widen(chosen.c_str()).c_str());
      click(open, IDOK);
    });
    for (int control : {IDC_BROWSE, IDC_CHANGELINK, IDC_CHANGEBBS, IDC_PREFER_NEW, IDOK}) click(dlg, control);
  });
  EXPECT_EQ(open_settings_dialog(instance_, nullptr, run_), 1);
  sstp_announcer_stop();  // its thread must not outlive the test's Env
  EXPECT_EQ(fault_.sleepers.count(std::this_thread::get_id()), 0u);
  const std::vector<int> stored = {settings_.copyonly, settings_.copylarge, settings_.changelink, settings_.changebbs,
                                   choices_.favourites_rebuild, settings_.backup, settings_.wait, settings_.no_move,
                                   choices_.foreign_server, settings_.use_ukagaka};
  EXPECT_EQ(stored, (std::vector<int>{0, 0, 1, 0, 0, 1, 0, 0, 1, 1}));
  EXPECT_EQ(settings_.backupprog, "\"" + chosen + "\"");
}

}  // namespace
}  // namespace vendrit
