// Fixtures shared by the end-to-end tests of the settings, the announcements
// and the backup program: settings written into a reader root, the expected
// announcement text, and a fake backup program copied into the root.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/win32/e2e_support.h"

namespace vendrit {
namespace e2e {

// A reader root whose board "news" moved from server a to server b, with
// one thread still under a.
struct MovedBoard {
  std::string a = main_host("a"), b = main_host("b");
  std::string source() const { return "log\\" + a + "\\news\\1000000000.dat"; }
  std::string target() const { return "log\\" + b + "\\news\\1000000000.dat"; }
  void prepare(ReaderRoot& root) const;
};

// Writes section "vendrit" of the root's "vendrit.ini" with the keys given
// (Shift_JIS values), through the profile functions the program reads with.
void write_settings(const ReaderRoot& root,
                    const std::vector<std::pair<const char*, const char*>>& keys);
// `japanese` where the system code page is 932, otherwise `plain`: the
// profile functions keep an INI file in the system code page, so Japanese
// text survives a trip through "vendrit.ini" only on a Japanese system.
const char* profile_text(const char* japanese, const char* plain);
// A key of the root's "vendrit.ini" as Shift_JIS; "<none>" when absent.
std::string read_setting(const ReaderRoot& root, const char* key);
// The key names of the root's "vendrit.ini" in file order.
std::vector<std::string> setting_keys(const ReaderRoot& root);

// String-table script `id` of vendrit.exe, in Shift_JIS.
std::string script_text(int id);
// The NOTIFY request announcing script `id` from the window `sender`.
std::string notify_text(int id, HWND sender);

struct BackupRecord {
  bool ran = false;
  std::string cwd, command;  // UTF-8
  uint64_t start_ms = 0, end_ms = 0;
};

// fake_backup.exe copied to a directory of its own inside the root.
class BackupProgram {
 public:
  explicit BackupProgram(const ReaderRoot& root);
  // The full command: the copied program, then the record file (named with
  // forward slashes, so the last backslash stays in the program's path).
  std::string command(int delay_ms = 0) const;
  // The same, naming the program without a directory.
  std::string bare_command(int delay_ms = 0) const;
  std::wstring dir() const;
  std::wstring program() const { return dir() + L"\\fake_backup.exe"; }
  // What the program recorded into the root's "backup.txt", or, started
  // without arguments, into "backup.txt" in its working directory.
  BackupRecord record() const;
  BackupRecord record_without_arguments() const;

 private:
  std::string arguments(int delay_ms) const;
  BackupRecord parse(const std::wstring& file) const;
  const ReaderRoot& root_;
};

}  // namespace e2e
}  // namespace vendrit
