#include "app/win32/settings_dialog.h"

#include <commdlg.h>

#include <string>

#include "app/main_window.h"
#include "app/settings_form.h"
#include "platform/text.h"
#include "platform/win32/wide_text.h"
#include "report/sstp_notify.h"
#include "res/resource.h"

namespace vendrit {

namespace {

// The module the dialog's icon comes from: a dialog procedure is a plain
// callback.
HINSTANCE g_dialog_instance = nullptr;

// The run whose settings the dialog shows, handed over at WM_INITDIALOG.
Run& run_of(HWND dlg) { return *reinterpret_cast<Run*>(GetWindowLongPtrW(dlg, DWLP_USER)); }

// What a click on a choice announces: the script when the control is ticked
// (or, for a radio button, selected) and when it is cleared.
struct ChoiceScript {
  int control;
  int ticked;
  int cleared;
};

const ChoiceScript kChoiceScripts[] = {
    {IDC_ABORN, 9, 9},         {IDC_LEAVE, 10, 10},       {IDC_PREFER_NEW, 11, 11},
    {IDC_PREFER_LARGE, 12, 12}, {IDC_CHANGELINK, 13, 17}, {IDC_CHANGEBBS, 14, 18},
    {IDC_FAVOURITES, 15, 19},  {IDC_BACKUP, 16, 20},      {IDC_WAIT_CONFIRM, 22, 23},
    {IDC_NO_MOVE, 24, 25},     {IDC_FOREIGN, 26, 27},
};

// The check boxes and the choice each holds.
const struct {
  int control;
  bool SettingsForm::*field;
} kTicks[] = {
    {IDC_CHANGEBBS, &SettingsForm::changebbs}, {IDC_CHANGELINK, &SettingsForm::changelink},
    {IDC_FAVOURITES, &SettingsForm::rebuild},  {IDC_BACKUP, &SettingsForm::backup},
    {IDC_WAIT_CONFIRM, &SettingsForm::wait},   {IDC_UKAGAKA, &SettingsForm::use_ukagaka},
    {IDC_NO_MOVE, &SettingsForm::no_move},     {IDC_FOREIGN, &SettingsForm::foreign},
};

bool ticked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED; }

void show_backupprog(HWND dlg, const char* backupprog) {
  SetDlgItemTextW(dlg, IDC_BACKUPPROG, widen(backupprog).c_str());
}

void show_form(HWND dlg, const SettingsForm& f) {
  CheckRadioButton(dlg, IDC_ABORN, IDC_LEAVE, f.leave_sources ? IDC_LEAVE : IDC_ABORN);
  CheckRadioButton(dlg, IDC_PREFER_NEW, IDC_PREFER_LARGE,
                   f.larger_wins ? IDC_PREFER_LARGE : IDC_PREFER_NEW);
  for (const auto& t : kTicks) CheckDlgButton(dlg, t.control, f.*t.field ? BST_CHECKED : BST_UNCHECKED);
  show_backupprog(dlg, f.backupprog);
}

// The controls' state; the program's path is cut on a whole character.
SettingsForm read_form(HWND dlg) {
  SettingsForm f;
  f.leave_sources = !ticked(dlg, IDC_ABORN);
  f.larger_wins = !ticked(dlg, IDC_PREFER_NEW);
  for (const auto& t : kTicks) f.*t.field = ticked(dlg, t.control);
  HWND edit = GetDlgItem(dlg, IDC_BACKUPPROG);
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
  GetWindowTextW(edit, &text[0], static_cast<int>(text.size()));
  narrow_to(text.c_str(), f.backupprog, sizeof f.backupprog);
  return f;
}

void on_init(HWND dlg, LPARAM lparam) {
  SetWindowLongPtrW(dlg, DWLP_USER, lparam);
  const Run& run = run_of(dlg);
  show_form(dlg, settings_form(run.settings, run.choices));
  HICON icon = LoadIconW(g_dialog_instance, MAKEINTRESOURCEW(IDI_VENDRIT));
  SendMessageW(dlg, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  char title[kPathSize];
  format_window_title(title, sizeof title);
  SetWindowTextW(dlg, widen(title).c_str());
}

void on_ok(HWND dlg) {
  Run& run = run_of(dlg);
  apply_settings_form(read_form(dlg), &run.settings, &run.choices);
  EndDialog(dlg, 1);
}

// The common open-file dialog, from Comdlg32 loaded on first use.  The wide
// entry is used and its answer converted to Shift_JIS, so the choice reads
// the same whatever the system code page is.
using GetOpenFileNameFn = BOOL(WINAPI*)(LPOPENFILENAMEW);

GetOpenFileNameFn open_file_dialog() {
  static GetOpenFileNameFn fn = nullptr;
  if (!fn) {
    HMODULE comdlg = LoadLibraryW(L"comdlg32.dll");
    FARPROC entry = comdlg ? GetProcAddress(comdlg, "GetOpenFileNameW") : nullptr;
    if (entry) fn = reinterpret_cast<GetOpenFileNameFn>(reinterpret_cast<void*>(entry));
  }
  return fn;
}

// `path` in Shift_JIS inside quotes, so that a path with blanks
// ("C:\Program Files\...") names one program to start; false when a character
// has no Shift_JIS form or the text would not be read back whole from the
// settings file.
bool quote_path(const wchar_t* path, char* buf, size_t size) {
  BOOL lossy = FALSE;
  if (WideCharToMultiByte(kSjisCodePage, WC_NO_BEST_FIT_CHARS, path, -1, nullptr, 0, nullptr,
                          &lossy) <= 0 ||
      lossy) {
    return false;
  }
  std::string quoted = '"' + narrow(path) + '"';
  if (quoted.size() > kBackupProgIniChars || quoted.size() >= size) return false;
  copy_text(buf, size, quoted.c_str());
  return true;
}

// The chosen path, quoted; one that cannot be kept so is given by its short
// name, which has neither blanks nor characters outside Shift_JIS.  False
// when neither form can be kept.
bool chosen_path(const wchar_t* path, char* buf, size_t size) {
  if (quote_path(path, buf, size)) return true;
  wchar_t short_path[MAX_PATH];
  DWORD n = GetShortPathNameW(path, short_path, MAX_PATH);
  return n > 0 && n < MAX_PATH && quote_path(short_path, buf, size);
}

void on_browse(HWND dlg) {
  GetOpenFileNameFn show = open_file_dialog();
  if (!show) return;  // behaves like a cancelled choice
  std::wstring filter = widen("実行ファイル(*.exe)");
  filter.push_back(L'\0');
  filter += L"*.exe";
  filter.push_back(L'\0');
  filter += widen("すべてのファイル(*.*)");
  filter.push_back(L'\0');
  filter += L"*.*";
  filter.push_back(L'\0');
  std::wstring title = widen("外部バックアッププログラムの選択");
  wchar_t file[MAX_PATH] = L"";
  wchar_t file_title[MAX_PATH] = L"";
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = dlg;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrFileTitle = file_title;
  ofn.nMaxFileTitle = MAX_PATH;
  ofn.lpstrTitle = title.c_str();
  ofn.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_NODEREFERENCELINKS;
  if (!show(&ofn)) return;
  // The choice is taken at once: it stays for this process even when the
  // dialog is then cancelled.
  Run& run = run_of(dlg);
  chosen_path(file, run.settings.backupprog, sizeof run.settings.backupprog);
  // The dialog may have moved the current directory: back to the root.
  run.env->enter_root();
  show_backupprog(dlg, run.settings.backupprog);
}

void announce(HWND dlg, int script) {
  Run& run = run_of(dlg);
  sstp_announce(run.progress, run.env, run.settings, script, true);
}

// A click on a choice announces it, through the announcer thread so that
// the dialog never waits for the host; only "DirectSSTP発射" also changes a
// setting at once, so that ticking it is itself announced and clearing it
// silences everything that follows.

bool on_choice(HWND dlg, int id) {
  if (id == IDC_UKAGAKA) {
    RunSettings& settings = run_of(dlg).settings;
    settings.use_ukagaka = ticked(dlg, IDC_UKAGAKA) ? 1 : 0;
    if (settings.use_ukagaka) announce(dlg, 21);
    return true;
  }
  for (const ChoiceScript& c : kChoiceScripts) {
    if (c.control != id) continue;
    announce(dlg, ticked(dlg, id) ? c.ticked : c.cleared);
    return true;
  }
  return false;
}

INT_PTR CALLBACK settings_dialog_proc(HWND dlg, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_INITDIALOG:
      on_init(dlg, lparam);
      return FALSE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDOK:
          on_ok(dlg);
          return TRUE;
        case IDCANCEL:  // also Esc and the close box
          EndDialog(dlg, 0);
          return TRUE;
        case IDC_BROWSE:
          on_browse(dlg);
          return TRUE;
        default:
          return on_choice(dlg, LOWORD(wparam)) ? TRUE : FALSE;
      }
    default:
      return FALSE;
  }
}

}  // namespace

int open_settings_dialog(HINSTANCE instance, HWND owner, Run& run) {
  g_dialog_instance = instance;
  INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SETTINGS), owner,
                                   settings_dialog_proc, reinterpret_cast<LPARAM>(&run));
  return result == 1 ? 1 : 0;
}

}  // namespace vendrit
