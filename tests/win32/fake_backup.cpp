// A stand-in backup program for the end-to-end tests: records its working
// directory, its command line and when it started and ended, then exits.
//   fake_backup.exe [RECORD_FILE [--delay-ms N] [more arguments...]]
// Without arguments it records into "backup.txt" in its working directory.
// The record is UTF-8: "cwd=...", "cmd=...", "start=MS", "end=MS" lines.
// It ends with exit code 3, which the caller must not take as a failure.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string utf8(const wchar_t* text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], n, nullptr, nullptr);
  return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  unsigned long long start = GetTickCount64();
  DWORD delay = 0;
  for (int i = 2; i + 1 < argc; ++i) {
    if (wcscmp(argv[i], L"--delay-ms") == 0) delay = wcstoul(argv[i + 1], nullptr, 10);
  }
  wchar_t cwd[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, cwd);
  Sleep(delay);
  char times[96];
  snprintf(times, sizeof times, "start=%llu\nend=%llu\n", start, GetTickCount64());
  std::string out = "cwd=" + utf8(cwd) + "\ncmd=" + utf8(GetCommandLineW()) + "\n" + times;
  HANDLE h = CreateFileW(argc > 1 ? argv[1] : L"backup.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return 4;
  DWORD put = 0;
  WriteFile(h, out.data(), static_cast<DWORD>(out.size()), &put, nullptr);
  CloseHandle(h);
  return 3;
}
