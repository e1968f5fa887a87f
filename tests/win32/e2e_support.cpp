#include "tests/win32/e2e_support.h"

#include <atomic>
#include <vector>

#include "platform/win32/wide_text.h"

namespace vendrit {
namespace e2e {

namespace {

std::wstring exe_dir() {
  wchar_t buf[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  std::wstring p(buf, n);
  return p.substr(0, p.find_last_of(L"\\/"));
}

void remove_tree(const std::wstring& dir) {
  WIN32_FIND_DATAW d;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &d);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = d.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring p = dir + L"\\" + name;
      SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        remove_tree(p);
      } else {
        DeleteFileW(p.c_str());
      }
    } while (FindNextFileW(h, &d));
    FindClose(h);
  }
  RemoveDirectoryW(dir.c_str());
}

HWND message_box_text_control(HWND box) {
  HWND text = GetDlgItem(box, 0xFFFF);
  return text ? text : GetDlgItem(box, 100);
}

struct FindState {
  DWORD pid;
  HWND found;
  bool want_message_box;
};

BOOL CALLBACK find_dialog(HWND hwnd, LPARAM lparam) {
  FindState* s = reinterpret_cast<FindState*>(lparam);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != s->pid || !IsWindowVisible(hwnd)) return TRUE;
  wchar_t cls[32];
  GetClassNameW(hwnd, cls, 32);
  if (wcscmp(cls, L"#32770") != 0) return TRUE;
  // A message box carries its text in a static control (0xFFFF on Windows,
  // 100 in older Wine); the main window has the output control 1002.
  bool is_box = message_box_text_control(hwnd) != nullptr;
  bool is_main = GetDlgItem(hwnd, 1002) != nullptr;
  if ((s->want_message_box && is_box) || (!s->want_message_box && is_main)) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND find_top_dialog(DWORD pid, bool message_box) {
  FindState s{pid, nullptr, message_box};
  EnumWindows(find_dialog, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

}  // namespace

bool wait_until(const std::function<bool()>& done, DWORD ms) {
  DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start >= ms) return false;
    Sleep(20);
  }
}

std::wstring from_utf8(const char* utf8) {
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  std::wstring out(n > 0 ? n - 1 : 0, L'\0');
  if (n > 1) MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &out[0], n);
  return out;
}

ReaderRoot::ReaderRoot(const char* tag) {
  static std::atomic<int> counter{0};
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  std::wstring base = std::wstring(tmp) + L"vendrit-e2e-" + std::to_wstring(GetCurrentProcessId()) +
                      L"-" + std::to_wstring(++counter) + widen(tag);
  remove_tree(base);
  CreateDirectoryW(base.c_str(), nullptr);
  path_ = base;
}

ReaderRoot::~ReaderRoot() {
  for (HANDLE h : locks_) CloseHandle(h);
  remove_tree(path_);
}

void ReaderRoot::lock(const char* rel) {
  HANDLE h = CreateFileW(full(rel).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) locks_.push_back(h);
}

std::wstring ReaderRoot::full(const char* rel) const { return path_ + L"\\" + widen(rel); }

void ReaderRoot::write(const char* rel, const std::string& bytes) {
  HANDLE h = CreateFileW(full(rel).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD put = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
  CloseHandle(h);
}

std::string ReaderRoot::read(const char* rel) const {
  HANDLE h = CreateFileW(full(rel).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  std::string out;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  CloseHandle(h);
  return out;
}

void ReaderRoot::make_dir(const char* rel) {
  std::wstring p = full(rel);
  for (size_t i = path_.size() + 1; i <= p.size(); ++i) {
    if (i == p.size() || p[i] == L'\\') CreateDirectoryW(p.substr(0, i).c_str(), nullptr);
  }
}

void ReaderRoot::set_read_only(const char* rel) {
  SetFileAttributesW(full(rel).c_str(), FILE_ATTRIBUTE_READONLY);
}

Vendrit::~Vendrit() {
  if (!pi_.hProcess) return;
  if (running()) {
    TerminateProcess(pi_.hProcess, 99);
    WaitForSingleObject(pi_.hProcess, 5000);
  }
  CloseHandle(pi_.hProcess);
  CloseHandle(pi_.hThread);
}

bool Vendrit::start(const std::wstring& dir, const wchar_t* words) {
  std::wstring exe = exe_dir() + L"\\vendrit.exe";
  std::wstring cmd = L"\"" + exe + L"\"";
  if (words && *words) cmd += std::wstring(L" ") + words;
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  std::vector<wchar_t> line(cmd.begin(), cmd.end());
  line.push_back(L'\0');
  return CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        dir.c_str(), &si, &pi_) != 0;
}

HWND Vendrit::wait_main_window(DWORD ms) {
  HWND found = nullptr;
  wait_until(
      [&] {
        found = find_top_dialog(pi_.dwProcessId, false);
        // The caption is replaced once initialisation is complete.
        return found && window_text(found) != L"Vendrit";
      },
      ms);
  return found;
}

bool Vendrit::wait_exit(DWORD ms, int* code) {
  if (WaitForSingleObject(pi_.hProcess, ms) != WAIT_OBJECT_0) return false;
  DWORD c = 0;
  GetExitCodeProcess(pi_.hProcess, &c);
  *code = static_cast<int>(c);
  return true;
}

bool Vendrit::running() const { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }

bool wait_message_box(DWORD pid, DWORD ms, MessageBoxSeen* seen) {
  return wait_until(
      [&] {
        HWND box = find_top_dialog(pid, true);
        if (!box) return false;
        seen->box = box;
        seen->caption = window_text(box);
        seen->text = window_text(message_box_text_control(box));
        return true;
      },
      ms);
}

void press_ok(HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); }

std::wstring window_text(HWND hwnd) {
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &len)) {
    return L"<no answer>";
  }
  std::wstring buf(len + 1, L'\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutW(hwnd, WM_GETTEXT, len + 1, reinterpret_cast<LPARAM>(&buf[0]),
                      SMTO_ABORTIFHUNG, 5000, &got);
  buf.resize(got);
  return buf;
}

std::string window_text_sjis(HWND hwnd) { return narrow(window_text(hwnd).c_str()); }

bool send_command(HWND dlg, int id) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)), SMTO_ABORTIFHUNG,
                             5000, &result) != 0;
}

}  // namespace e2e
}  // namespace vendrit
