// A stand-in desktop-mascot host: publishes "Sakura" naming its window and
// records each request as "N A" (N of "Event: VendritStatN").
//   fake_sstp_host.exe RECORD_FILE [--hang-ms N] [--answer]
// --hang-ms sleeps in the handler, as a hung host would; --answer answers from
// the handler to the HWnd line's window: A is 1 when taken within a second.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const wchar_t* g_record = nullptr;
DWORD g_hang_ms = 0;
bool g_answer = false;

// Sends an SSTP response to the request's HWnd; 15 s counts as not taken.
int answer(HWND host, const std::string& request) {
  size_t at = request.find("\r\nHWnd: ");
  if (at == std::string::npos) return 0;
  HWND to = reinterpret_cast<HWND>(static_cast<intptr_t>(_atoi64(request.c_str() + at + 8)));
  static char response[] = "SSTP/1.1 200 OK\r\nSender: fake\r\nCharset: Shift_JIS\r\n\r\n";
  COPYDATASTRUCT reply = {9801, sizeof response - 1, response};
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(to, WM_COPYDATA, reinterpret_cast<WPARAM>(host),
                             reinterpret_cast<LPARAM>(&reply), SMTO_NORMAL, 15000, &result) != 0 &&
         result != 0;
}

LRESULT CALLBACK host_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg != WM_COPYDATA) return DefWindowProcW(hwnd, msg, wparam, lparam);
  const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
  std::string request(static_cast<const char*>(cds->lpData), cds->cbData);
  ULONGLONG received = GetTickCount64();
  int answered = g_answer ? answer(hwnd, request) && GetTickCount64() - received < 1000 : -1;
  size_t at = request.find("\r\nEvent: VendritStat");
  FILE* f = _wfopen(g_record, L"ab");
  fprintf(f, "%d %d\n", at == std::string::npos ? -1 : atoi(request.c_str() + at + 20), answered);
  fclose(f);
  Sleep(g_hang_ms);
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  g_record = argv[1];
  for (int i = 2; i < argc; ++i) {
    if (wcscmp(argv[i], L"--hang-ms") == 0 && i + 1 < argc) g_hang_ms = wcstoul(argv[++i], nullptr, 10);
    if (wcscmp(argv[i], L"--answer") == 0) g_answer = true;
  }
  HWND hwnd = CreateWindowW(L"STATIC", L"fake host", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  if (!hwnd) return 3;
  SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(host_proc));
  // Four bytes the reader skips, then "key\x01value\r\n" entries.
  std::string entries = "0123456789abcdef.hwnd\x01" + std::to_string(reinterpret_cast<intptr_t>(hwnd)) + "\r\n";
  DWORD size = static_cast<DWORD>(4 + entries.size());
  HANDLE mapping =
      CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, L"Sakura");
  char* view = mapping ? static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0)) : nullptr;
  if (!view) return 4;
  memcpy(view, &size, 4);
  memcpy(view + 4, entries.data(), entries.size());
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
  return 0;
}
