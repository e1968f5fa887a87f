// vendrit.exe under Wine, for what only a process of its own shows; the
// dialogs are tested in-process beside their sources.  Every wait has a
// time-out, so a hung program fails the test instead of stalling it.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>

#include "platform/win32/wide_text.h"
#include "vendrit_config.h"

namespace vendrit {
namespace {

namespace fs = std::filesystem;
const std::string kSource = std::string("log\\a") + kMainSuffix + "\\news\\1.dat";
const std::string kTarget = std::string("log\\b") + kMainSuffix + "\\news\\1.dat";

void put(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// A fresh reader root with a Japanese name where board "news" moved from
// server a to b and one thread still lies under a.
fs::path reader_root(const std::string& name) {
  const fs::path root = fs::temp_directory_path() / widen(("vendrit-e2e-" + name).c_str());
  fs::remove_all(root);
  fs::create_directories((root / widen(kSource.c_str())).parent_path());
  put(root / "2channel.brd", std::string("\tb") + kMainSuffix + "\tnews\tnews\r\n");
  put(root / widen(kSource.c_str()), "name<>mail<>date<>body<>title\n");
  return root;
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
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
  // The exit code, once it has ended within a minute; with `answer`, every
  // window it shows meanwhile is told OK.
  int exit_code(bool answer) {
    for (int i = 0; i < 600 && WaitForSingleObject(pi.hProcess, 100) == WAIT_TIMEOUT; ++i) {
      if (answer) EnumThreadWindows(pi.dwThreadId, [](HWND w, LPARAM) { return PostMessageW(w, WM_COMMAND, IDOK, 0); }, 0);
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(pi.hProcess, &code);
    return static_cast<int>(code);
  }
  PROCESS_INFORMATION pi = {};
};

// An auto run starts the backup program, named by its quoted path, in the
// program's own directory and waits for it before anything moves; meanwhile
// a second instance, in another reader root, is refused and exits with -1.
TEST(Process, BackupProgramAndASecondInstance) {
  wchar_t me[MAX_PATH];
  const fs::path program = fs::path(me, me + GetModuleFileNameW(nullptr, me, MAX_PATH)).replace_filename(L"fake_backup.exe");
  const fs::path root = reader_root("退避");
  const fs::path record = root / "backup.txt";
  const std::string command = "\"" + narrow(program.c_str()) + "\" " + narrow(record.c_str()) + " 5000";
  put(root / "vendrit.ini", "[vendrit]\r\nbackup=1\r\nbackupprog=" + command + "\r\n");
  Vendrit first(root, L"auto");
  for (int i = 0; i < 600 && !fs::exists(record); ++i) Sleep(100);
  Vendrit second(reader_root("other"), L"");
  EXPECT_EQ(second.exit_code(true), -1);
  EXPECT_TRUE(fs::exists(root / widen(kSource.c_str())));  // the backup program still runs
  EXPECT_EQ(first.exit_code(false), 0);
  EXPECT_TRUE(fs::exists(root / widen(kTarget.c_str())));
  std::ifstream in(record, std::ios::binary);
  const std::string got(std::istreambuf_iterator<char>(in), {});
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(got.data()), got.size() / 2),
            program.parent_path().wstring() + L"\n" + widen(command.c_str()));
}

}  // namespace
}  // namespace vendrit
