// A stand-in desktop-mascot host for the end-to-end tests.  It publishes the
// "Sakura" shared memory naming its hidden window and records every copy-data
// message that window receives.
//   fake_sstp_host.exe RECORD_FILE [--bad-hwnd] [--hang-ms N] [--answer]
// Each record is the line "tag=T len=L from=F ms=M answer=A took=D"
// followed by the L bytes of the data and a line break.  --bad-hwnd
// publishes a value that is not a number; --hang-ms sleeps that long inside
// the handler of each message, as a host that stopped answering would;
// --answer answers each request from inside its handler, as real hosts do,
// with a copy-data message to the window named in its HWnd line (A is then 1
// when that window took it, 0 when not, and D how many milliseconds it
// took; without --answer A is -1).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const wchar_t* g_record = nullptr;
DWORD g_hang_ms = 0;
bool g_answer = false;
// A host that waits for its answer longer than this is as stuck as the
// sender; the test then sees a failed answer instead of a hung host.
constexpr UINT kAnswerLimitMs = 15000;

void record(HWND from, const COPYDATASTRUCT* cds, ULONGLONG ms, int answered, ULONGLONG took) {
  char head[160];
  snprintf(head, sizeof head, "tag=%llu len=%lu from=%lld ms=%llu answer=%d took=%llu\n",
           static_cast<unsigned long long>(cds->dwData), static_cast<unsigned long>(cds->cbData),
           static_cast<long long>(reinterpret_cast<intptr_t>(from)),
           static_cast<unsigned long long>(ms), answered, static_cast<unsigned long long>(took));
  std::string entry = head;
  if (cds->lpData) entry.append(static_cast<const char*>(cds->lpData), cds->cbData);
  entry += "\n";
  HANDLE h = CreateFileW(g_record, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD put = 0;
  WriteFile(h, entry.data(), static_cast<DWORD>(entry.size()), &put, nullptr);
  CloseHandle(h);
}

// Sends an SSTP response to the window named in the request's HWnd line
// and waits for it to be taken; 1 when it was, 0 when not.
int answer(HWND host, const COPYDATASTRUCT* cds) {
  std::string request(static_cast<const char*>(cds->lpData), cds->cbData);
  size_t at = request.find("\r\nHWnd: ");
  if (at == std::string::npos) return 0;
  HWND to = reinterpret_cast<HWND>(static_cast<intptr_t>(_atoi64(request.c_str() + at + 8)));
  static char response[] = "SSTP/1.1 200 OK\r\nSender: fake\r\nCharset: Shift_JIS\r\n\r\n";
  COPYDATASTRUCT reply = {9801, sizeof response - 1, response};
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(to, WM_COPYDATA, reinterpret_cast<WPARAM>(host),
                             reinterpret_cast<LPARAM>(&reply), SMTO_NORMAL, kAnswerLimitMs,
                             &result) != 0 && result != 0;
}

LRESULT CALLBACK host_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_COPYDATA) {
    const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
    ULONGLONG received = GetTickCount64();
    int answered = g_answer ? answer(hwnd, cds) : -1;
    record(reinterpret_cast<HWND>(wparam), cds, received, answered, GetTickCount64() - received);
    if (g_hang_ms) Sleep(g_hang_ms);
    return TRUE;
  }
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  g_record = argv[1];
  bool bad_hwnd = false;
  for (int i = 2; i < argc; ++i) {
    if (wcscmp(argv[i], L"--bad-hwnd") == 0) bad_hwnd = true;
    if (wcscmp(argv[i], L"--hang-ms") == 0 && i + 1 < argc) g_hang_ms = wcstoul(argv[++i], nullptr, 10);
    if (wcscmp(argv[i], L"--answer") == 0) g_answer = true;
  }
  WNDCLASSW wc = {};
  wc.lpfnWndProc = host_proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VendritFakeSstpHost";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"fake host", WS_OVERLAPPED, 0, 0, 10, 10,
                              nullptr, nullptr, wc.hInstance, nullptr);
  if (!hwnd) return 3;

  // Four bytes the reader skips, then "key\x01value\r\n" entries.  A second
  // "hwnd" entry after the first must never be the one used.
  char value[32];
  snprintf(value, sizeof value, "%lld", static_cast<long long>(reinterpret_cast<intptr_t>(hwnd)));
  std::string entries = "0123456789abcdef.name\x01" "fake\r\n";
  entries += std::string("0123456789abcdef.hwnd\x01") + (bad_hwnd ? "x" + std::string(value) : value) + "\r\n";
  entries += "fedcba9876543210.hwnd\x01" "12345\r\n";
  std::string block(4, '\0');
  DWORD size = static_cast<DWORD>(4 + entries.size());
  memcpy(&block[0], &size, 4);
  block += entries;
  HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      static_cast<DWORD>(block.size()), L"Sakura");
  if (!mapping) return 4;
  void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
  if (!view) return 5;
  memcpy(view, block.data(), block.size());

  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
  UnmapViewOfFile(view);
  CloseHandle(mapping);
  return 0;
}
