#include "app/win32/main_dialog.h"

#include "app/main_window.h"
#include "app/run_sequence.h"
#include "app/win32/taskbar_progress.h"
#include "app/win32/win32_ui.h"
#include "platform/text.h"
#include "platform/win32/wide_text.h"
#include "report/progress_log.h"
#include "report/sstp_notify.h"
#include "res/resource.h"

namespace vendrit {

namespace {

constexpr WORD kEditOutOfSpace = 0x0500;  // EN_ERRSPACE
constexpr DWORD kExitWaitMs = 100;

// The window's own state, kept here because a dialog procedure is a plain
// callback and the process has one main window at a time: its module, and
// the one worker thread GO! starts.
HINSTANCE g_instance = nullptr;
HANDLE g_worker = nullptr;
DWORD g_worker_id = 0;  // non-zero from GO! until EXIT finds the worker ended

// The run the window works on, handed over at WM_INITDIALOG.
Run& run_of(HWND dlg) { return *reinterpret_cast<Run*>(GetWindowLongPtrW(dlg, DWLP_USER)); }

// The worker runs a run, or a preview, of the Run it is given.
DWORD WINAPI run_worker(LPVOID run) {
  run_sequence(*static_cast<Run*>(run));
  return 0;
}

DWORD WINAPI preview_worker(LPVOID run) {
  preview_sequence(*static_cast<Run*>(run));
  return 0;
}

void on_init(HWND dlg, LPARAM lparam) {
  SetWindowLongPtrW(dlg, DWLP_USER, lparam);
  Run& run = run_of(dlg);
  g_main_window = dlg;
  DeleteMenu(GetSystemMenu(dlg, FALSE), SC_CLOSE, MF_BYCOMMAND);
  // A multi-line edit control stops taking text at 32767 characters by
  // default, which would silently drop the end of a long run.
  SendDlgItemMessageW(dlg, IDC_OUTPUT, EM_SETLIMITTEXT, 0, 0);
  show_exclusion_summary(*run.progress.ui, run.catalogue);
  HICON icon = LoadIconW(g_instance, MAKEINTRESOURCEW(IDI_VENDRIT));
  SendMessageW(dlg, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  char title[kPathSize];
  format_window_title(title, sizeof title);
  SetWindowTextW(dlg, widen(title).c_str());
  DrawMenuBar(dlg);
  if (run.choices.run_mode == 2) PostMessageW(dlg, WM_COMMAND, kPostedGoCommand, 0);
  if (run.choices.preview) PostMessageW(dlg, WM_COMMAND, kPostedPreviewCommand, 0);
  sstp_notify(run.progress, run.env, run.settings, 1, false);
}

void on_go(HWND dlg, bool preview) {
  Run& run = run_of(dlg);
  run.progress.ui->set_buttons_enabled(false);
  if (g_worker) {
    CloseHandle(g_worker);
    g_worker = nullptr;
  }
  g_worker = CreateThread(nullptr, 0, preview ? preview_worker : run_worker, &run, 0, &g_worker_id);
  if (!g_worker) {
    g_worker_id = 0;
    progress_show(run.progress, "\r\n処理を開始できませんでした");
    run.progress.ui->set_buttons_enabled(true);
  }
}

void on_settings(HWND dlg) {
  Run& run = run_of(dlg);
  if (run.progress.ui->run_settings_dialog(true) == 1) save_run_settings(run.env, run.settings);
}

// Waits until the announcer is idle, serving only the messages sent to this
// thread meanwhile (a host answers a request with one to this window), never
// input: no click arrives while it waits.
void wait_for_announcer() {
  while (!sstp_announcer_idle()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_SENDMESSAGE);
    MSG m;
    PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

void on_exit(HWND dlg) {
  if (g_worker_id != 0) {
    // Only a posted EXIT can arrive during a run; it waits briefly for the
    // worker that posted it and is ignored while a run still goes on.
    if (WaitForSingleObject(g_worker, kExitWaitMs) != WAIT_OBJECT_0) return;
    CloseHandle(g_worker);
    g_worker = nullptr;
    g_worker_id = 0;
  }
  // What the settings dialog still has queued goes out before the farewell,
  // with the window already off the screen.
  ShowWindow(dlg, SW_HIDE);
  wait_for_announcer();
  Run& run = run_of(dlg);
  sstp_notify(run.progress, run.env, run.settings, 2, false);
  EndDialog(dlg, 0);
}

bool contains_sstp(const COPYDATASTRUCT* cds) {
  return cds && cds->lpData &&
         find_bytes(static_cast<const char*>(cds->lpData), cds->cbData, "SSTP", 4) >= 0;
}

INT_PTR on_command(HWND dlg, WPARAM wparam) {
  switch (LOWORD(wparam)) {
    case IDCANCEL:  // Esc: the window stays
      return TRUE;
    case IDC_OUTPUT:
      if (HIWORD(wparam) != kEditOutOfSpace) return FALSE;
      run_of(dlg).progress.ui->output_clear();
      RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      return TRUE;
    case IDC_GO:
      on_go(dlg, false);
      return TRUE;
    case LOWORD(kPostedPreviewCommand):
      on_go(dlg, true);
      return TRUE;
    case IDC_SETTINGS:
      on_settings(dlg);
      return TRUE;
    case IDC_EXIT:
      on_exit(dlg);
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK main_dialog_proc(HWND dlg, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_INITDIALOG:
      on_init(dlg, lparam);
      return TRUE;
    case WM_COMMAND:
      return on_command(dlg, wparam);
    case WM_SYSCOMMAND:
      // Neither the caption nor Alt+F4 closes the window; only EXIT does.
      return (wparam & 0xFFF0) == SC_CLOSE ? TRUE : FALSE;
    case WM_COPYDATA: {
      BOOL handled = contains_sstp(reinterpret_cast<const COPYDATASTRUCT*>(lparam));
      SetWindowLongPtrW(dlg, DWLP_MSGRESULT, handled);
      return handled;
    }
    case kShowProgressMessage:
      show_taskbar_state(dlg, taskbar_state(static_cast<int>(wparam), static_cast<int>(lparam / 2),
                                            lparam % 2 != 0));
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void run_main_dialog(HINSTANCE instance, Run& run) {
  g_instance = instance;
  DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, main_dialog_proc,
                  reinterpret_cast<LPARAM>(&run));
  sstp_announcer_stop();
  release_taskbar();
  if (g_worker) {
    CloseHandle(g_worker);
    g_worker = nullptr;
  }
  g_worker_id = 0;
  g_main_window = nullptr;
}

}  // namespace vendrit
