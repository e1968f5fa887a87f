#include "tests/win32/e2e_support.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/win32/wide_text.h"
#include "vendrit_config.h"

namespace vendrit {
namespace e2e {

namespace {

void remove_tree(const std::wstring& dir) {
  WIN32_FIND_DATAW d;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &d);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = d.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring p = dir + L"\\" + name;
      SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A link goes by itself; what it points at is not ours to empty.
        if (!RemoveDirectoryW(p.c_str())) DeleteFileW(p.c_str());
      } else if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
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

struct DialogQuery {
  DWORD pid;
  int id;
  std::wstring title;
  HWND found;
};

BOOL CALLBACK find_dialog_with(HWND hwnd, LPARAM lparam) {
  DialogQuery* q = reinterpret_cast<DialogQuery*>(lparam);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != q->pid || !IsWindowVisible(hwnd)) return TRUE;
  wchar_t cls[32];
  GetClassNameW(hwnd, cls, 32);
  if (wcscmp(cls, L"#32770") != 0) return TRUE;
  if (q->id ? GetDlgItem(hwnd, q->id) != nullptr : window_text(hwnd) == q->title) {
    q->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::wstring exe_dir() {
  wchar_t buf[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  std::wstring p(buf, n);
  return p.substr(0, p.find_last_of(L"\\/"));
}

std::string utf8(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
  return out;
}

std::string main_host(const char* name) { return name + std::string(kMainSuffix); }
std::string sister_host(const char* name) { return name + std::string(kSisterSuffix); }

std::string board_line(const std::string& server, const char* id, const char* name) {
  return "\t" + server + "\t" + id + "\t" + name + "\r\n";
}

HWND open_main(Vendrit* v, const ReaderRoot& root, const wchar_t* words) {
  if (!v->start(root.path(), words)) return nullptr;
  return v->wait_main_window();
}

int leave(Vendrit* v, HWND main) {
  HWND exit_button = GetDlgItem(main, kIdExit);
  wait_until([&] { return IsWindowEnabled(exit_button) != FALSE; }, kRunTimeoutMs);
  send_command(main, kIdExit);
  int code = 1000;
  v->wait_exit(kStartTimeoutMs, &code);
  return code;
}

bool run_finished(HWND main) {
  std::string out = window_text_sjis(GetDlgItem(main, kIdOutput));
  const std::string done = "\r\n終了しました";
  return out.size() >= done.size() && out.compare(out.size() - done.size(), done.size(), done) == 0;
}

std::vector<bool> buttons_enabled(HWND main) {
  std::vector<bool> out;
  for (int id : {kIdGo, kIdSettings, kIdExit}) out.push_back(IsWindowEnabled(GetDlgItem(main, id)));
  return out;
}

HWND find_dialog(DWORD pid, int id, const std::wstring& title) {
  DialogQuery q{pid, id, title, nullptr};
  EnumWindows(find_dialog_with, reinterpret_cast<LPARAM>(&q));
  return q.found;
}

bool click(HWND dlg, int id, DWORD ms) {
  DWORD_PTR r = 0;
  return SendMessageTimeoutW(GetDlgItem(dlg, id), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, ms, &r) != 0;
}

bool is_checked(HWND dlg, int id) {
  DWORD_PTR r = 0;
  SendMessageTimeoutW(GetDlgItem(dlg, id), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &r);
  return r == BST_CHECKED;
}

FakeHost::~FakeHost() {
  if (!pi_.hProcess) return;
  TerminateProcess(pi_.hProcess, 0);
  WaitForSingleObject(pi_.hProcess, 5000);
  CloseHandle(pi_.hProcess);
  CloseHandle(pi_.hThread);
}

bool FakeHost::start(const std::wstring& record_file, const wchar_t* options) {
  record_ = record_file;
  std::wstring exe = exe_dir() + L"\\fake_sstp_host.exe";
  std::wstring cmd = L"\"" + exe + L"\" \"" + record_file + L"\" " + options;
  std::vector<wchar_t> line(cmd.begin(), cmd.end());
  line.push_back(L'\0');
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi_)) {
    return false;
  }
  return wait_until(
      [] {
        HANDLE m = OpenFileMappingW(FILE_MAP_READ, FALSE, L"Sakura");
        if (m) CloseHandle(m);
        return m != nullptr;
      },
      kStartTimeoutMs);
}

std::vector<Received> FakeHost::received() const {
  std::string all;
  HANDLE h = CreateFileW(record_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) all.append(buf, got);
    CloseHandle(h);
  }
  std::vector<Received> out;
  size_t at = 0;
  while (at < all.size()) {
    size_t eol = all.find('\n', at);
    if (eol == std::string::npos) break;
    Received r;
    unsigned long long tag = 0, ms = 0, took = 0;
    unsigned long len = 0;
    long long from = 0;
    int answered = -1;
    if (sscanf(all.substr(at, eol - at).c_str(), "tag=%llu len=%lu from=%lld ms=%llu answer=%d took=%llu",
               &tag, &len, &from, &ms, &answered, &took) != 6 ||
        eol + 1 + len + 1 > all.size()) {
      break;
    }
    r.tag = tag;
    r.length = static_cast<uint32_t>(len);
    r.from = from;
    r.ms = ms;
    r.answered = answered;
    r.took = took;
    r.data = all.substr(eol + 1, len);
    out.push_back(r);
    at = eol + 1 + len + 1;
  }
  return out;
}

std::vector<int> FakeHost::events() const {
  std::vector<int> out;
  for (const Received& r : received()) {
    const char key[] = "\r\nEvent: VendritStat";
    size_t at = r.data.find(key);
    out.push_back(at == std::string::npos ? -1 : atoi(r.data.c_str() + at + sizeof key - 1));
  }
  return out;
}

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

bool ReaderRoot::link_dir(const char* rel, const char* target) {
  using UnixName = char*(CDECL*)(const wchar_t*);
  auto unix_name = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  const std::wstring link = full(rel);
  if (!unix_name) {
    CreateSymbolicLinkW(link.c_str(), widen(target).c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
  } else if (char* path = unix_name(link.c_str())) {
    // Wine starts a Unix program as it is; ln makes the link.  The Unix
    // name is UTF-8.
    wchar_t unix_path[MAX_PATH * 4];
    int n = MultiByteToWideChar(CP_UTF8, 0, path, -1, unix_path, MAX_PATH * 4);
    HeapFree(GetProcessHeap(), 0, path);
    if (n <= 0) return false;
    std::wstring cmd = L"/bin/ln -s " + widen(target) + L" " + unix_path;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<wchar_t> line(cmd.begin(), cmd.end());
    line.push_back(L'\0');
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                       &pi)) {
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
    }
  }
  // The handle of a Unix program may be signalled before it has run: wait
  // for the link itself.
  return wait_until(
      [&] {
        DWORD attributes = GetFileAttributesW(link.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
      },
      10000);
}

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
