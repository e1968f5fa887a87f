// Helpers of the Windows end-to-end tests: a reader root in a temporary
// directory, the real vendrit.exe started in it, and the few window
// operations a user makes (read the output control, click, answer a box).
// Every wait has a time-out, so a hung program fails the test instead of
// stalling the suite.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vendrit {
namespace e2e {

constexpr DWORD kStartTimeoutMs = 20000;
constexpr DWORD kRunTimeoutMs = 60000;

// Polls `done` every 20 ms until it is true or `ms` have passed.
bool wait_until(const std::function<bool()>& done, DWORD ms);

// A fresh directory under %TEMP% (its name may hold Japanese characters),
// removed with everything in it at the end.  Relative names are Shift_JIS
// program paths with backslashes.
class ReaderRoot {
 public:
  explicit ReaderRoot(const char* tag = "");
  ~ReaderRoot();
  const std::wstring& path() const { return path_; }
  std::wstring full(const char* rel) const;
  void write(const char* rel, const std::string& bytes);
  std::string read(const char* rel) const;  // "<missing>" when absent
  void make_dir(const char* rel);
  void set_read_only(const char* rel);
  // Holds the file open without sharing until the root goes, as another
  // program that locked it would.
  void lock(const char* rel);
  // Makes `rel` a symbolic link to the directory `target` (relative to the
  // link's directory): under Wine a Unix link, which Wine shows as a
  // directory reparse point; elsewhere CreateSymbolicLinkW.  False when no
  // link could be made.
  bool link_dir(const char* rel, const char* target);

 private:
  std::wstring path_;
  std::vector<HANDLE> locks_;
};

// One started vendrit.exe.  Killed at the end if it still runs.
class Vendrit {
 public:
  Vendrit() = default;
  ~Vendrit();
  Vendrit(const Vendrit&) = delete;
  Vendrit& operator=(const Vendrit&) = delete;

  // Starts vendrit.exe (beside this program) in `dir` with the command words.
  bool start(const std::wstring& dir, const wchar_t* words = L"");
  // The main window once it shows the exclusion summary; null on time-out.
  HWND wait_main_window(DWORD ms = kStartTimeoutMs);
  // Exit code, or false when the process is still running after `ms`.
  bool wait_exit(DWORD ms, int* code);
  bool running() const;
  DWORD pid() const { return pi_.dwProcessId; }

 private:
  PROCESS_INFORMATION pi_ = {};
};

struct MessageBoxSeen {
  HWND box = nullptr;
  std::wstring caption;
  std::wstring text;
};
// A message box of process `pid`; false on time-out.
bool wait_message_box(DWORD pid, DWORD ms, MessageBoxSeen* seen);
// Presses the box's OK button.
void press_ok(HWND box);

// A window's text (control or caption) read with WM_GETTEXT.
std::wstring window_text(HWND hwnd);
// The same in Shift_JIS bytes, as the program wrote it.
std::string window_text_sjis(HWND hwnd);
// A command to the dialog as a button click would send it; false when the
// window did not answer in time.
bool send_command(HWND dlg, int id);

const int kIdOutput = 1002, kIdGo = 1003, kIdSettings = 1017, kIdExit = 1021;

// Host names of the handled families, from the configured suffixes.
std::string main_host(const char* name);
std::string sister_host(const char* name);
// One line of "2channel.brd".
std::string board_line(const std::string& server, const char* id, const char* name = "板");

// Starts vendrit.exe in `root`, expects the main window.
HWND open_main(Vendrit* v, const ReaderRoot& root, const wchar_t* words = L"");
// Leaves through EXIT, once the button can be pressed again, and returns the
// exit code (or 1000 on time-out).
int leave(Vendrit* v, HWND main);
// The output control ends with the completion line.
bool run_finished(HWND main);
// Enabled flags of GO!, 設定 and EXIT.
std::vector<bool> buttons_enabled(HWND main);

// A visible dialog of process `pid` that has the control `id` (or, with id 0,
// the caption `title`); null when there is none.
HWND find_dialog(DWORD pid, int id, const std::wstring& title = L"");
// Clicks a button of a dialog as the mouse would (BM_CLICK), waiting up to
// `ms` for the dialog to have handled it; false when it did not answer.
bool click(HWND dlg, int id, DWORD ms = 15000);
bool is_checked(HWND dlg, int id);

// The directory of this driver and of the helper programs built beside it.
std::wstring exe_dir();
// UTF-8 of a wide text.
std::string utf8(const std::wstring& text);

// The fake desktop-mascot host (fake_sstp_host.exe): publishes "Sakura" and
// records every copy-data message.  Killed at the end.
struct Received {
  uint64_t tag = 0;
  uint32_t length = 0;
  int64_t from = 0;
  uint64_t ms = 0;
  int answered = -1;   // with --answer: 1 when the answer was taken, else 0
  uint64_t took = 0;   // how long the answer took, in milliseconds
  std::string data;
};
class FakeHost {
 public:
  FakeHost() = default;
  ~FakeHost();
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;
  // Starts the host with the options and waits until "Sakura" exists.
  bool start(const std::wstring& record_file, const wchar_t* options = L"");
  std::vector<Received> received() const;
  // The event numbers of the received notifications, in order.
  std::vector<int> events() const;

 private:
  std::wstring record_;
  PROCESS_INFORMATION pi_ = {};
};

// UTF-16 from the UTF-8 of a literal in this source.
std::wstring from_utf8(const char* utf8);

}  // namespace e2e
}  // namespace vendrit
