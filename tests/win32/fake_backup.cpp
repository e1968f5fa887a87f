// fake_backup.exe RECORD_FILE DELAY_MS: a stand-in backup program that records its working
// directory and command line (UTF-16, a line end between), waits, and exits with 3, no failure.
#include <windows.h>

#include <fstream>

int wmain(int, wchar_t** argv) {
  wchar_t cwd[MAX_PATH];
  std::wstring out = std::wstring(cwd, GetCurrentDirectoryW(MAX_PATH, cwd)) + L"\n" + GetCommandLineW();
  std::ofstream(argv[1], std::ios::binary).write(reinterpret_cast<const char*>(out.data()), out.size() * sizeof(wchar_t));
  Sleep(wcstoul(argv[2], nullptr, 10));
  return 3;
}
