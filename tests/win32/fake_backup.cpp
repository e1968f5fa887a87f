// A stand-in backup program: waits, records its working directory and command
// line (UTF-16, a line end between) and exits with 3, which is no failure.
//   fake_backup.exe RECORD_FILE DELAY_MS [more arguments...]
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  wchar_t cwd[MAX_PATH];
  std::wstring out(cwd, GetCurrentDirectoryW(MAX_PATH, cwd));
  Sleep(wcstoul(argv[2], nullptr, 10));
  out += L"\n" + std::wstring(GetCommandLineW());
  HANDLE h = CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD put = 0;
  WriteFile(h, out.data(), static_cast<DWORD>(out.size() * sizeof(wchar_t)), &put, nullptr);
  CloseHandle(h);
  return 3;
}
