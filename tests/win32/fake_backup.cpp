// A stand-in backup program: waits, records its working directory and command
// line (UTF-8 "cwd=...\ncmd=...\n") and exits with 3, which is no failure.
//   fake_backup.exe RECORD_FILE DELAY_MS [more arguments...]
#include <windows.h>

#include <string>

static std::string utf8(const wchar_t* text) {
  char buf[4096];
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, buf, sizeof buf, nullptr, nullptr);
  return std::string(buf, n > 0 ? n - 1 : 0);
}

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  wchar_t cwd[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, cwd);
  Sleep(wcstoul(argv[2], nullptr, 10));
  std::string out = "cwd=" + utf8(cwd) + "\ncmd=" + utf8(GetCommandLineW()) + "\n";
  HANDLE h = CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  DWORD put = 0;
  WriteFile(h, out.data(), static_cast<DWORD>(out.size()), &put, nullptr);
  CloseHandle(h);
  return 3;
}
