// vendrit.exe under Wine, for what only a process of its own shows; the
// dialogs are tested in-process beside their sources.  Every wait has a
// time-out, so a hung program fails a test instead of stalling it.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/win32/wide_text.h"
#include "vendrit_config.h"

namespace vendrit {
namespace {

namespace fs = std::filesystem;
constexpr DWORD kWaitMs = 60000;
const std::string kSource = std::string("log\\a") + kMainSuffix + "\\news\\1000000000.dat";
const std::string kTarget = std::string("log\\b") + kMainSuffix + "\\news\\1000000000.dat";

bool g_serve = false;  // whether waits serve this thread's messages (the host's)

bool wait_until(const std::function<bool()>& done, DWORD ms) {
  for (DWORD start = GetTickCount(); !done(); Sleep(20)) {
    MSG m;
    while (g_serve && PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    if (GetTickCount() - start >= ms) return false;
  }
  return true;
}

// A fresh directory with a Japanese name where board "news" moved from
// server a to b and one thread still lies under a.
struct ReaderRoot {
  ReaderRoot() {
    static int counter = 0;
    path = fs::temp_directory_path() / (L"vendrit-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                        std::to_wstring(++counter) + widen("退避"));
    fs::create_directories(at(kSource).parent_path());
    write("2channel.brd", std::string("\tb") + kMainSuffix + "\tnews\t板\r\n");
    write(kSource, "name<>mail<>date<>body<>title\n");
  }
  ~ReaderRoot() { fs::remove_all(path, ec); }
  fs::path at(const std::string& rel) const { return path / widen(rel.c_str()); }
  void write(const std::string& rel, const std::string& b) const { std::ofstream(at(rel), std::ios::binary) << b; }
  fs::path path;
  std::error_code ec;
};

// vendrit.exe started in `dir`, killed at the end if it still runs.
struct Vendrit {
  Vendrit(const fs::path& dir, std::wstring words) {
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    words = L"vendrit.exe " + words;  // found beside this program
    EXPECT_TRUE(CreateProcessW(nullptr, &words[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi));
  }
  ~Vendrit() {
    TerminateProcess(pi.hProcess, 99);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
  // The exit code, or STILL_ACTIVE when it still runs after `ms`.
  int wait_exit(DWORD ms) {
    DWORD code = STILL_ACTIVE;
    wait_until([&] { return GetExitCodeProcess(pi.hProcess, &code) && code != STILL_ACTIVE; }, ms);
    return static_cast<int>(code);
  }
  // A visible dialog or message box of this process, waited for.
  HWND window() const {
    HWND found = nullptr;
    wait_until([&] {
      while ((found = FindWindowExW(nullptr, found, L"#32770", nullptr)) != nullptr) {
        DWORD pid = 0;
        GetWindowThreadProcessId(found, &pid);
        if (pid == pi.dwProcessId && IsWindowVisible(found)) return true;
      }
      return false;
    }, kWaitMs);
    return found;
  }
  PROCESS_INFORMATION pi = {};
};

// A stand-in desktop-mascot host: a window of this thread, named by "Sakura",
// counting the requests it is sent.  It is hung while this thread serves no
// messages.
int g_requests = 0;

LRESULT CALLBACK host_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg != WM_COPYDATA) return DefWindowProcW(hwnd, msg, wparam, lparam);
  ++g_requests;
  return TRUE;
}

void start_host() {
  HWND host = CreateWindowW(L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  SetWindowLongPtrW(host, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(host_proc));
  // Four bytes the reader skips, then "key\x01value\r\n" entries.
  std::string block = "size0123456789abcdef.hwnd\x01" + std::to_string(reinterpret_cast<intptr_t>(host)) + "\r\n";
  HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, block.size(), L"Sakura");
  memcpy(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0), block.data(), block.size());
}

// An auto run starts the backup program in its own directory, waits for it,
// and closes by itself; meanwhile a second instance, in another reader root,
// is refused.  A hung host holds the run up
// only briefly; one that serves its messages is told.
TEST(Run, AutoRunWithTheBackupProgramAndAHost) {
  start_host();
  wchar_t me[MAX_PATH];
  const fs::path program = fs::path(me, me + GetModuleFileNameW(nullptr, me, MAX_PATH)).replace_filename(L"fake_backup.exe");
  ReaderRoot root;
  ReaderRoot other;
  fs::path record = root.at("backup.txt");
  std::string command = "\"" + narrow(program.c_str()) + "\" " + narrow(record.c_str()) + " 3000";
  root.write("vendrit.ini", "[vendrit]\r\nuse_ukagaka=1\r\nbackup=1\r\nbackupprog=" + command + "\r\n");
  Vendrit first(root.path, L"auto");
  ASSERT_TRUE(first.window());  // shown while the host is hung
  g_serve = true;
  Vendrit second(other.path, L"");
  PostMessageW(second.window(), WM_COMMAND, IDOK, 0);  // the refusal's message box
  EXPECT_EQ(second.wait_exit(kWaitMs), -1);
  EXPECT_EQ(first.wait_exit(kWaitMs), 0);
  EXPECT_LE(fs::last_write_time(record), fs::last_write_time(root.at(kTarget).parent_path()));
  // fake_backup.exe's record (UTF-16): its working directory, a line end, its command line.
  std::ifstream in(record, std::ios::binary);
  std::string got(std::istreambuf_iterator<char>(in), {});
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(got.data()), got.size() / 2),
            program.parent_path().wstring() + L"\n" + widen(command.c_str()));
  EXPECT_GT(g_requests, 0);
}

// The command word preview shows in the main window what a run would do,
// moves nothing, and EXIT closes the program.
TEST(Run, APreviewMovesNothing) {
  ReaderRoot root;
  Vendrit v(root.path, L"preview");
  HWND window = v.window();
  // The buttons come back once the preview has ended.
  EXPECT_TRUE(wait_until([&] {
    wchar_t shown[4096] = L"";
    GetDlgItemTextW(window, 1002, shown, 4096);
    return wcsstr(shown, L"BBS:news") && IsWindowEnabled(GetDlgItem(window, 1021));
  }, kWaitMs));
  PostMessageW(GetDlgItem(window, 1021), BM_CLICK, 0, 0);
  EXPECT_EQ(v.wait_exit(kWaitMs), 0);
  EXPECT_FALSE(fs::exists(root.at(kTarget)));
}

}  // namespace
}  // namespace vendrit
