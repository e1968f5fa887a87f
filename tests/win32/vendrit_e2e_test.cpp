// End-to-end tests of vendrit.exe under Wine, for what only a process of its
// own shows; the dialogs are tested in-process beside their sources.  Every
// wait has a time-out, so a hung program fails a test instead of stalling it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/wide_text.h"
#include "vendrit_config.h"

namespace vendrit {
namespace {

namespace fs = std::filesystem;
constexpr DWORD kStartMs = 20000, kRunMs = 60000;
const std::string kSource = std::string("log\\a") + kMainSuffix + "\\news\\1000000000.dat";
const std::string kTarget = std::string("log\\b") + kMainSuffix + "\\news\\1000000000.dat";

bool wait_until(const std::function<bool()>& done, DWORD ms) {
  for (DWORD start = GetTickCount(); !done(); Sleep(20)) if (GetTickCount() - start >= ms) return false;
  return true;
}

std::wstring exe_dir() {
  wchar_t buf[MAX_PATH];
  return fs::path(std::wstring(buf, GetModuleFileNameW(nullptr, buf, MAX_PATH))).parent_path();
}

std::string utf8(const std::wstring& text) { return fs::path(text).u8string(); }

std::string read_file(const fs::path& path) {
  std::ifstream f(path, std::ios::binary);
  return f ? std::string(std::istreambuf_iterator<char>(f), {}) : "<missing>";
}

// A fresh directory with a Japanese name where board "news" moved from server
// a to b, one thread still under a, and the given "vendrit.ini" lines.
struct ReaderRoot {
  explicit ReaderRoot(const std::string& ini = "") {
    static int counter = 0;
    path = fs::temp_directory_path() / (L"vendrit-e2e-" + std::to_wstring(GetCurrentProcessId()) +
                                        L"-" + std::to_wstring(++counter) + widen("退避"));
    fs::create_directories(full(kSource.c_str()).parent_path());
    write("2channel.brd", std::string("\tb") + kMainSuffix + "\tnews\t板\r\n");
    write(kSource.c_str(), "name<>mail<>date<>body<>title\n");
    write("vendrit.ini", "[vendrit]\r\n" + ini);
  }
  ~ReaderRoot() { fs::remove_all(path, ec); }
  fs::path full(const char* rel) const { return path + L"\\" + widen(rel); }
  void write(const char* rel, const std::string& b) const { std::ofstream(full(rel), std::ios::binary) << b; }
  std::string read(const char* rel) const { return read_file(full(rel)); }
  std::wstring path;
  std::error_code ec;
};

// A started program, killed at the end if it still runs.
struct Process {
  bool start(const std::wstring& exe, const std::wstring& args, const wchar_t* dir = nullptr) {
    std::wstring line = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    return CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, dir, &si, &pi);
  }
  // The exit code, or 1000 when it still runs after `ms`.
  int wait_exit(DWORD ms) {
    DWORD code = 1000;
    if (WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    return static_cast<int>(code);
  }
  ~Process() {
    if (!pi.hProcess) return;
    TerminateProcess(pi.hProcess, 99);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
  PROCESS_INFORMATION pi = {};
};

bool start_vendrit(Process* p, const ReaderRoot& root, const wchar_t* words) {
  return p->start(exe_dir() + L"\\vendrit.exe", words, root.path.c_str());
}

// A dialog of process `pid` holding control `id`; null when there is none.
HWND find_dialog(const Process& p, int id) {
  for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"#32770", nullptr)) != nullptr;) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == p.pi.dwProcessId && IsWindowVisible(w) && GetDlgItem(w, id)) return w;
  }
  return nullptr;
}

// Waits for a message box, returns "caption: text" and presses OK.
std::string answer_message_box(const Process& p) {
  HWND box = nullptr;
  int id = 0;  // the text's static control: 0xFFFF on Windows, 100 in older Wine
  wait_until([&] { return (box = find_dialog(p, id = 0xFFFF)) || (box = find_dialog(p, id = 100)); },
             kStartMs);
  wchar_t caption[256] = L"", text[256] = L"";
  GetWindowTextW(box, caption, 256);
  GetWindowTextW(GetDlgItem(box, id), text, 256);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  return narrow(caption) + ": " + narrow(text);
}

bool atom_present() { return GlobalFindAtomW(L"vendrit") != 0; }

TEST(Locale, ProcessesRunWithTheConfiguredCodePage) {
  // The runs with a Western code page show that nothing depends on 932.
  const char* locale = getenv("VENDRIT_WINE_LOCALE");
  EXPECT_EQ(GetACP() == 932u, !locale || strncmp(locale, "ja", 2) == 0);
}

TEST(Startup, ARefusalShowsItsMessageAndExitsWithMinusOne) {
  // Atoms left by instances that an earlier test had to kill.
  for (int i = 0; i < 100 && atom_present(); ++i) GlobalDeleteAtom(GlobalFindAtomW(L"vendrit"));
  ReaderRoot root;
  DeleteFileW(root.full("2channel.brd").c_str());
  Process v;
  ASSERT_TRUE(start_vendrit(&v, root, L""));
  EXPECT_EQ(answer_message_box(v), "Vendrit: 2channel.brdがありません");
  EXPECT_EQ(v.wait_exit(kStartMs), -1);
  EXPECT_FALSE(atom_present()) << "the instance marker outlived the refusal";
}

// An auto run starts the backup program (in its own directory when its path
// names one), waits for it, works in the start directory again and closes by
// itself; meanwhile a second instance is refused, an atom left over is not.
TEST(Run, AutoRunWaitsForTheBackupProgramAndRefusesASecondInstance) {
  ATOM stale = GlobalAddAtomW(L"vendrit");
  for (bool full_path : {true, false}) {
    SCOPED_TRACE(full_path ? "full path" : "bare name");
    ReaderRoot root;
    fs::path dir = root.full("バックアップ"), record = root.full("backup.txt");
    fs::create_directory(dir);
    fs::copy_file(exe_dir() + L"\\fake_backup.exe", dir / L"fake_backup.exe");
    // Forward slashes keep the command's last backslash in the program path.
    std::string command = (full_path ? narrow((dir / L"fake_backup.exe").c_str()) : "fake_backup.exe") +
                          " " + narrow(record.generic_wstring().c_str()) + " 3000";
    root.write("vendrit.ini", "[vendrit]\r\nbackup=1\r\nbackupprog=" + command + "\r\n");
    root.write("vendrit.log", "");
    Process first, second;
    ASSERT_TRUE(start_vendrit(&first, root, L"auto"));
    ASSERT_TRUE(wait_until([&] { return find_dialog(first, 1002) != nullptr; }, kStartMs));
    ReaderRoot other;
    ASSERT_TRUE(start_vendrit(&second, other, L""));
    EXPECT_EQ(answer_message_box(second), "Vendrit: Vendritの多重起動は出来ません");
    EXPECT_EQ(second.wait_exit(kStartMs), -1);
    EXPECT_EQ(first.wait_exit(kRunMs), 0) << "auto mode did not close the window";
    EXPECT_EQ(read_file(record), "cwd=" + utf8(full_path ? dir.wstring() : root.path) + "\ncmd=" +
                                     utf8(widen(command.c_str())) + "\n");
    EXPECT_NE(root.read(kTarget.c_str()), "<missing>");
    EXPECT_EQ(root.read(kSource.c_str()), "<missing>");
    std::string log = root.read("vendrit.log");
    EXPECT_EQ(log.rfind("\r\n========== ", 0), 0u) << log;
  }
  GlobalDeleteAtom(stale);
}

// A host answering from inside its handler, as real hosts do, gets its answer
// taken at once; one that stops answering holds the run up only briefly.
TEST(Sstp, AnsweringAndHungHostsNeverStallTheRun) {
  const std::pair<const wchar_t*, DWORD> hosts[] = {{L"--answer", kRunMs}, {L"--hang-ms 600000", 45000}};
  for (const auto& host : hosts) {
    SCOPED_TRACE(narrow(host.first));
    ReaderRoot root("use_ukagaka=1\r\n");
    std::wstring record = root.full("host.txt");
    Process fake, v;
    ASSERT_TRUE(fake.start(exe_dir() + L"\\fake_sstp_host.exe", L"\"" + record + L"\" " + host.first));
    ASSERT_TRUE(wait_until([] {
      HANDLE m = OpenFileMappingW(FILE_MAP_READ, FALSE, L"Sakura");
      return m && CloseHandle(m);
    }, kStartMs));
    ASSERT_TRUE(start_vendrit(&v, root, L"auto"));
    EXPECT_EQ(v.wait_exit(host.second), 0) << "the run hung on the host";
    EXPECT_NE(root.read(kTarget.c_str()), "<missing>");
    // Each line: the event, and whether the answer was taken within a second.
    std::string got = read_file(record);
    if (host.second == kRunMs) {
      EXPECT_EQ(got, "1 1\n4 1\n5 1\n8 1\n2 1\n");
    } else {
      EXPECT_EQ(got.rfind("1 -1\n", 0), 0u) << got;
    }
  }
}

}  // namespace
}  // namespace vendrit
