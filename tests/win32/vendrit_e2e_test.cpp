// vendrit.exe under Wine, for what only a process of its own shows; the
// dialogs are tested in-process beside their sources.  Every wait has a
// time-out, so a hung program fails a test instead of stalling it.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "platform/win32/wide_text.h"
#include "vendrit_config.h"

namespace vendrit {
namespace {

namespace fs = std::filesystem;
constexpr DWORD kStartMs = 20000, kRunMs = 60000;
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

// A fresh directory with a Japanese name (or `leaf` inside one) where board
// "news" moved from server a to b and one thread still under a.
struct ReaderRoot {
  explicit ReaderRoot(const wchar_t* leaf = nullptr) {
    static int counter = 0;
    top = fs::temp_directory_path() / (L"vendrit-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                       std::to_wstring(++counter) + widen("退避"));
    path = leaf ? top / leaf : top;
    fs::create_directories(at(kSource).parent_path());
    write("2channel.brd", std::string("\tb") + kMainSuffix + "\tnews\t板\r\n");
    write(kSource, "name<>mail<>date<>body<>title\n");
  }
  ~ReaderRoot() { fs::remove_all(top, ec); }
  fs::path at(const std::string& rel) const { return path / widen(rel.c_str()); }
  void write(const std::string& rel, const std::string& b) const { std::ofstream(at(rel), std::ios::binary) << b; }
  fs::path top, path;
  std::error_code ec;
};

std::string read(const fs::path& file) {
  std::ifstream f(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

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
    CloseHandle(pi.hProcess), CloseHandle(pi.hThread);
  }
  // The exit code, or STILL_ACTIVE when it still runs after `ms`.
  int wait_exit(DWORD ms) {
    DWORD code = STILL_ACTIVE;
    wait_until([&] { return GetExitCodeProcess(pi.hProcess, &code) && code != STILL_ACTIVE; }, ms);
    return static_cast<int>(code);
  }
  // A visible dialog of this process holding control `id`; null when there is none.
  HWND dialog(int id) const {
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"#32770", nullptr)) != nullptr;) {
      DWORD pid = 0;
      GetWindowThreadProcessId(w, &pid);
      if (pid == pi.dwProcessId && IsWindowVisible(w) && GetDlgItem(w, id)) return w;
    }
    return nullptr;
  }
  // Waits for a message box, returns "caption: text" and presses OK.
  std::string answer_box() const {
    HWND box = nullptr;
    int id = 0;  // the text's control: 0xFFFF on Windows, 100 in older Wine
    wait_until([&] { return (box = dialog(id = 0xFFFF)) || (box = dialog(id = 100)); }, kStartMs);
    wchar_t caption[256] = L"", text[256] = L"";
    GetWindowTextW(box, caption, 256);
    GetDlgItemTextW(box, id, text, 256);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return narrow(caption) + ": " + narrow(text);
  }
  PROCESS_INFORMATION pi = {};
};

// A stand-in desktop-mascot host: a window of this thread, named by "Sakura".
// It records each request as "N A" (N of "Event: VendritStatN"), A being 1
// when its answer, sent from inside the handler as real hosts do, is taken
// within a second.  It is hung while this thread serves no messages.
std::string g_record;

LRESULT CALLBACK host_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg != WM_COPYDATA) return DefWindowProcW(hwnd, msg, wparam, lparam);
  const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
  std::string request(static_cast<const char*>(cds->lpData), cds->cbData);
  HWND to = reinterpret_cast<HWND>(_atoi64(request.c_str() + request.find("\r\nHWnd: ") + 8));
  static char response[] = "SSTP/1.1 200 OK\r\nSender: fake\r\nCharset: Shift_JIS\r\n\r\n";
  COPYDATASTRUCT reply = {9801, sizeof response - 1, response};
  DWORD_PTR result = 0, sent = GetTickCount();
  bool taken = SendMessageTimeoutW(to, WM_COPYDATA, reinterpret_cast<WPARAM>(hwnd), reinterpret_cast<LPARAM>(&reply),
                                   SMTO_NORMAL, 15000, &result) && result && GetTickCount() - sent < 1000;
  g_record += std::to_string(atoi(request.c_str() + request.find("Event: VendritStat") + 18)) +
              (taken ? " 1\n" : " 0\n");
  return TRUE;
}

void start_host() {
  HWND host = CreateWindowW(L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  SetWindowLongPtrW(host, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(host_proc));
  // Four bytes the reader skips, then "key\x01value\r\n" entries.
  std::string entries = "0123456789abcdef.hwnd\x01" + std::to_string(reinterpret_cast<intptr_t>(host)) + "\r\n";
  DWORD size = static_cast<DWORD>(4 + entries.size());
  HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, L"Sakura");
  char* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
  memcpy(view, &size, 4);
  memcpy(view + 4, entries.data(), entries.size());
}

// fake_backup.exe from beside this program, copied into `dir` (made here).
fs::path copy_fake_backup(const fs::path& dir) {
  fs::create_directory(dir);
  wchar_t me[MAX_PATH];
  fs::copy_file(fs::path(me, me + GetModuleFileNameW(nullptr, me, MAX_PATH)).replace_filename(L"fake_backup.exe"),
                dir / L"fake_backup.exe");
  return dir / L"fake_backup.exe";
}

// What fake_backup.exe recorded (UTF-16): its working directory, a line end, its command line.
std::wstring backup_record(const fs::path& record) {
  std::string got = read(record);
  return std::wstring(reinterpret_cast<const wchar_t*>(got.data()), got.size() / 2);
}

TEST(Startup, ARefusalShowsItsMessageAndExitsWithMinusOne) {
  // The runs with a Western code page show that nothing depends on 932.
  const char* locale = getenv("VENDRIT_WINE_LOCALE");
  EXPECT_EQ(GetACP() == 932u, !locale || strncmp(locale, "ja", 2) == 0);
  // Atoms left by instances that an earlier test had to kill.
  for (int i = 0; i < 100 && GlobalFindAtomW(L"vendrit"); ++i) GlobalDeleteAtom(GlobalFindAtomW(L"vendrit"));
  ReaderRoot root;
  fs::remove(root.at("2channel.brd"));
  Vendrit v(root.path, L"");
  EXPECT_EQ(v.answer_box(), "Vendrit: 2channel.brdがありません");
  EXPECT_EQ(v.wait_exit(kStartMs), -1);
  EXPECT_FALSE(GlobalFindAtomW(L"vendrit")) << "the instance marker outlived the refusal";
}

// An auto run starts the backup program (in its own directory when its path
// names one), waits for it, works in the start directory again and closes by
// itself; meanwhile a second instance is refused, an atom left over is not.
// A host's answers are taken at once; a hung host holds the run up only briefly.
TEST(Run, AutoRunWithTheBackupProgramAndAHost) {
  ATOM stale = GlobalAddAtomW(L"vendrit");
  start_host();
  for (bool full_path : {true, false}) {
    g_serve = full_path;  // the host answers, or is hung
    g_record.clear();
    SCOPED_TRACE(full_path ? "full path, answering host" : "bare name, hung host");
    ReaderRoot root;
    fs::path dir = root.at("バックアップ"), record = root.at("backup.txt"), program = copy_fake_backup(dir);
    // Forward slashes keep the command's last backslash in the program path.
    std::string command = (full_path ? narrow(program.c_str()) : "fake_backup.exe") +
                          " " + narrow(record.generic_wstring().c_str()) + " 3000";
    root.write("vendrit.ini", "[vendrit]\r\nuse_ukagaka=1\r\nbackup=1\r\nbackupprog=" + command + "\r\n");
    Vendrit first(root.path, L"auto");
    ASSERT_TRUE(wait_until([&] { return first.dialog(1002) != nullptr; }, kStartMs));
    Vendrit second(dir, L"");  // another directory
    EXPECT_EQ(second.answer_box(), "Vendrit: Vendritの多重起動は出来ません");
    EXPECT_EQ(second.wait_exit(kStartMs), -1);
    EXPECT_EQ(first.wait_exit(kRunMs), 0) << "auto mode did not close the window";
    EXPECT_LE(fs::last_write_time(record), fs::last_write_time(root.at(kTarget).parent_path())) << "no wait";
    EXPECT_EQ(g_record, full_path ? "1 1\n3 1\n4 1\n5 1\n8 1\n2 1\n" : g_record);  // the hung one: any
    EXPECT_EQ(backup_record(record), (full_path ? dir : root.path).wstring() + L"\n" + widen(command.c_str()));
    EXPECT_TRUE(fs::exists(root.at(kTarget)) && !fs::exists(root.at(kSource)));
  }
  GlobalDeleteAtom(stale);
}

// A backup program in a folder whose name has a blank starts through its
// quoted path, in that folder.
TEST(Run, AQuotedProgramInAFolderWithABlank) {
  ReaderRoot root;
  fs::path dir = root.at("バック アップ"), record = root.at("backup.txt");
  std::string command = "\"" + narrow(copy_fake_backup(dir).c_str()) + "\" " + narrow(record.c_str()) + " 0";
  root.write("vendrit.ini", "[vendrit]\r\nbackup=1\r\nbackupprog=" + command + "\r\n");
  Vendrit v(root.path, L"auto");
  EXPECT_EQ(v.wait_exit(kRunMs), 0);
  EXPECT_EQ(backup_record(record), dir.wstring() + L"\n" + widen(command.c_str()));
}

// A root named outside code page 932 beside its look-alike "cafe", a reader
// root too: the run takes its own settings (copy only: the source stays) and
// log, and writes nothing into the look-alike.
TEST(Run, ARootWithoutAShiftJisName) {
  ReaderRoot root(L"caf\u00e9");
  fs::path twin = root.top / L"cafe";
  fs::create_directory(twin);
  fs::copy_file(root.at("2channel.brd"), twin / L"2channel.brd");
  std::ofstream(twin / L"vendrit.ini", std::ios::binary) << "[vendrit]\r\ncopyonly=0\r\n";
  std::ofstream(twin / L"vendrit.log", std::ios::binary) << "twin\r\n";
  root.write("vendrit.ini", "[vendrit]\r\ncopyonly=1\r\n");
  root.write("vendrit.log", "");
  Vendrit run(root.path, L"auto");
  EXPECT_EQ(run.wait_exit(kRunMs), 0);
  EXPECT_TRUE(fs::exists(root.at(kTarget)) && fs::exists(root.at(kSource)));
  EXPECT_NE(read(root.at("vendrit.log")), "");
  EXPECT_EQ(read(twin / L"vendrit.ini") + read(twin / L"vendrit.log"), "[vendrit]\r\ncopyonly=0\r\ntwin\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(twin), {}), 3);
}

// Every path below `dir`, each file with its bytes.
std::map<std::string, std::string> listing(const fs::path& dir) {
  std::map<std::string, std::string> all;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    all[narrow(e.path().c_str())] = e.is_directory() ? "<dir>" : read(e.path());
  return all;
}

// The command word preview shows in the main window what a run would do,
// changes nothing, and EXIT closes the program.
TEST(Run, APreviewChangesNothing) {
  ReaderRoot root;
  const auto before = listing(root.path);
  Vendrit v(root.path, L"preview");
  HWND main = nullptr;
  std::string shown;
  // The buttons come back once the preview has ended.
  ASSERT_TRUE(wait_until([&] {
    if (!(main = v.dialog(1002))) return false;
    wchar_t text[4096] = L"";
    GetDlgItemTextW(main, 1002, text, 4096);
    shown = narrow(text);
    return shown.find("-------プレビュー") != std::string::npos && shown.find("BBS:news") != std::string::npos &&
           IsWindowEnabled(GetDlgItem(main, 1021));
  }, kRunMs)) << shown;
  PostMessageW(GetDlgItem(main, 1021), BM_CLICK, 0, 0);
  EXPECT_EQ(v.wait_exit(kStartMs), 0);
  EXPECT_EQ(listing(root.path), before);
}

}  // namespace
}  // namespace vendrit
