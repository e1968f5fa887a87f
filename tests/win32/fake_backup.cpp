// fake_backup.exe RECORD_FILE DELAY_MS [...]: a stand-in backup program that waits, records its
// working directory and command line (UTF-16, a line end between) and exits with 3, no failure.
#include <windows.h>

#include <string>

int wmain(int, wchar_t** argv) {
  wchar_t cwd[MAX_PATH];
  std::wstring out = std::wstring(cwd, GetCurrentDirectoryW(MAX_PATH, cwd)) + L"\n" + GetCommandLineW();
  Sleep(wcstoul(argv[2], nullptr, 10));
  HANDLE h = CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD put = 0;
  WriteFile(h, out.data(), static_cast<DWORD>(out.size() * sizeof(wchar_t)), &put, nullptr);
  CloseHandle(h);
  return 3;
}
