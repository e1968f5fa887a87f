#include "app/win32/win32_ui.h"

#include "app/startup.h"
#include "app/win32/main_dialog.h"
#include "app/win32/settings_dialog.h"
#include "app/win32/taskbar_progress.h"
#include "platform/win32/wide_text.h"
#include "res/resource.h"

namespace vendrit {

HWND g_main_window = nullptr;

namespace {

const wchar_t kTitle[] = L"Vendrit";
// A host that does not take an SSTP request within this time is given up.
constexpr UINT kCopyDataTimeoutMs = 5000;

HWND control(int id) { return GetDlgItem(g_main_window, id); }

}  // namespace

void Win32Ui::output_append(const char* text) {
  std::wstring w = widen(text);
  SendMessageW(control(IDC_OUTPUT), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(w.c_str()));
}

void Win32Ui::output_clear() {
  SendMessageW(control(IDC_OUTPUT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
}

void Win32Ui::output_remove_selection() {
  SendMessageW(control(IDC_OUTPUT), EM_SETSEL, static_cast<WPARAM>(-1), -1);
}

void Win32Ui::redraw() {
  // Synchronous: the line is painted before the worker goes on.
  RedrawWindow(g_main_window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Win32Ui::set_buttons_enabled(bool enabled) {
  for (int id : {IDC_GO, IDC_SETTINGS, IDC_EXIT}) EnableWindow(control(id), enabled);
}

void Win32Ui::beep() { MessageBeep(MB_ICONASTERISK); }

void Win32Ui::post_exit() {
  PostMessageW(g_main_window, WM_COMMAND, kPostedExitCommand, 0);
}

void Win32Ui::show_progress(int done, int total, bool trouble) {
  // The taskbar object belongs to the window's thread: the numbers go there.
  PostMessageW(g_main_window, kShowProgressMessage, static_cast<WPARAM>(done),
               static_cast<LPARAM>(total) * 2 + (trouble ? 1 : 0));
}

void Win32Ui::show_error(const char* text) {
  MessageBoxW(nullptr, widen(text).c_str(), kTitle, MB_ICONERROR | MB_OK);
}

void Win32Ui::show_information(const char* text) {
  MessageBoxW(g_main_window, widen(text).c_str(), kTitle, MB_ICONINFORMATION | MB_OK);
}

int Win32Ui::run_settings_dialog(bool owned) {
  return open_settings_dialog(instance_, owned ? g_main_window : nullptr, *run_);
}

void Win32Ui::run_main_window() { run_main_dialog(instance_, *run_); }

intptr_t Win32Ui::window_handle() { return reinterpret_cast<intptr_t>(g_main_window); }

void Win32Ui::load_script(int id, char* buf, size_t size) {
  // The scripts are stored as UTF-16; the program's text is Shift_JIS.
  wchar_t script[1024];
  int n = LoadStringW(instance_, static_cast<UINT>(id), script, 1024);
  script[n > 0 ? n : 0] = L'\0';
  narrow_to(script, buf, size);
}

bool Win32Ui::send_copy_data(intptr_t target, void* copy_data) {
  DWORD_PTR answer = 0;
  // A host may answer from inside its handler with a copy-data message to
  // our window; waiting without SMTO_BLOCK lets this thread take it (when it
  // owns the window) instead of both waiting until the time-out.  A hung
  // host is still given up at once, a slow one after the time-out.
  return SendMessageTimeoutW(reinterpret_cast<HWND>(target), WM_COPYDATA,
                             reinterpret_cast<WPARAM>(g_main_window),
                             reinterpret_cast<LPARAM>(copy_data), SMTO_NORMAL | SMTO_ABORTIFHUNG,
                             kCopyDataTimeoutMs, &answer) != 0;
}

}  // namespace vendrit
