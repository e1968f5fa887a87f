#include "tests/win32/thread_start_watch.h"

#include "tests/win32/e2e_support.h"

namespace vendrit {
namespace e2e {

ThreadStartWatch::ThreadStartWatch(DWORD pid, std::vector<HWND> windows)
    : pid_(pid), windows_(std::move(windows)) {
  thread_ = std::thread([this] { loop(); });
}

ThreadStartWatch::~ThreadStartWatch() {
  stop_ = true;
  thread_.join();
}

bool ThreadStartWatch::wait_attached(DWORD ms) {
  return wait_until([this] { return attached_ || failed_; }, ms) && attached_;
}

std::vector<std::vector<bool>> ThreadStartWatch::seen() {
  std::lock_guard<std::mutex> lock(mu_);
  return seen_;
}

void ThreadStartWatch::loop() {
  // Debug events go to the thread that attached, so all of it happens here.
  if (!DebugActiveProcess(pid_)) {
    failed_ = true;
    return;
  }
  DebugSetProcessKillOnExit(FALSE);
  bool break_in_seen = false;
  while (!stop_) {
    DEBUG_EVENT ev;
    if (!WaitForDebugEvent(&ev, 50)) continue;
    DWORD status = DBG_CONTINUE;
    switch (ev.dwDebugEventCode) {
      case CREATE_PROCESS_DEBUG_EVENT:
        if (ev.u.CreateProcessInfo.hFile) CloseHandle(ev.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (ev.u.LoadDll.hFile) CloseHandle(ev.u.LoadDll.hFile);
        break;
      case CREATE_THREAD_DEBUG_EVENT:
        if (break_in_seen) {
          std::vector<bool> enabled;
          for (HWND w : windows_) enabled.push_back(IsWindowEnabled(w) != FALSE);
          std::lock_guard<std::mutex> lock(mu_);
          seen_.push_back(enabled);
        }
        break;
      case EXCEPTION_DEBUG_EVENT:
        if (!break_in_seen && ev.u.Exception.ExceptionRecord.ExceptionCode == EXCEPTION_BREAKPOINT) {
          break_in_seen = true;  // the attach break-in; threads from now on are the program's
          attached_ = true;
        } else {
          status = DBG_EXCEPTION_NOT_HANDLED;
        }
        break;
      default:
        break;
    }
    ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, status);
  }
  DebugActiveProcessStop(pid_);
}

}  // namespace e2e
}  // namespace vendrit
