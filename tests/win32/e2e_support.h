// Helpers of the Windows end-to-end tests: a reader root in a temporary
// directory, the real vendrit.exe started in it, and the few window
// operations a user makes (read the output control, click, answer a box).
// Every wait has a time-out, so a hung program fails the test instead of
// stalling the suite.
#pragma once

#include <windows.h>

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

// UTF-16 from the UTF-8 of a literal in this source.
std::wstring from_utf8(const char* utf8);

}  // namespace e2e
}  // namespace vendrit
