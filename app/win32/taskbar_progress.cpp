#include "app/win32/taskbar_progress.h"

namespace vendrit {

namespace {

ITaskbarList3* g_taskbar = nullptr;
bool g_tried = false;  // made, or failed to: not tried again until released
bool g_com = false;    // this thread's COM was started here

ITaskbarList3* taskbar() {
  if (g_tried) return g_taskbar;
  g_tried = true;
  g_com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
  ITaskbarList3* t = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                 reinterpret_cast<void**>(&t)))) {
    if (SUCCEEDED(t->HrInit())) {
      g_taskbar = t;
    } else {
      t->Release();
    }
  }
  return g_taskbar;
}

}  // namespace

TaskbarState taskbar_state(int done, int total, bool trouble) {
  if (total <= 0) return {TBPF_NOPROGRESS, 0, 0};
  // A board that appeared after the count does not run the bar past its end.
  const int shown = done < 0 ? 0 : done > total ? total : done;
  return {trouble ? TBPF_ERROR : TBPF_NORMAL, static_cast<ULONGLONG>(shown),
          static_cast<ULONGLONG>(total)};
}

void show_taskbar_state(HWND window, const TaskbarState& s) {
  ITaskbarList3* t = taskbar();
  if (!t) return;
  // A value turns a button without a bar back to the normal state: the
  // value goes first, the state last.
  if (s.flag != TBPF_NOPROGRESS) t->SetProgressValue(window, s.completed, s.total);
  t->SetProgressState(window, s.flag);
}

void release_taskbar() {
  if (g_taskbar) g_taskbar->Release();
  g_taskbar = nullptr;
  if (g_com) CoUninitialize();
  g_tried = g_com = false;
}

}  // namespace vendrit
