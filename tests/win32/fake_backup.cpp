// fake_backup.exe RECORD_FILE DELAY_MS: a program that only waits DELAY_MS and exits with 3.
// run_wine_tests.sh keeps one waiting a day, so that the tests do not each pay for the start and
// stop of the Wine server; RECORD_FILE is no longer written.
#include <windows.h>

#include <cwchar>

int wmain(int, wchar_t** argv) {
  Sleep(wcstoul(argv[2], nullptr, 10));
  return 3;
}
