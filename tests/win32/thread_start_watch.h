// Watches a running process as a debugger and records, at the moment each new
// thread of it starts, whether chosen windows are enabled.  The process is
// frozen while a debug event is handled, so this sees the window state
// exactly at thread creation, however fast the thread then runs.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace vendrit {
namespace e2e {

class ThreadStartWatch {
 public:
  ThreadStartWatch(DWORD pid, std::vector<HWND> windows);
  ~ThreadStartWatch();  // detaches; the process goes on
  // True once attached (initial break-in seen); false on time-out.
  bool wait_attached(DWORD ms);
  // One entry per thread started since attaching: the windows' enabled flags.
  std::vector<std::vector<bool>> seen();

 private:
  void loop();

  DWORD pid_;
  std::vector<HWND> windows_;
  std::atomic<bool> attached_{false};
  std::atomic<bool> failed_{false};
  std::atomic<bool> stop_{false};
  std::mutex mu_;
  std::vector<std::vector<bool>> seen_;
  std::thread thread_;
};

}  // namespace e2e
}  // namespace vendrit
