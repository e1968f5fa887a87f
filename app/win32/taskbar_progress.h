// The main window's taskbar button as the bar of a run.  Only the window's
// thread touches the button: the worker's show_progress calls reach it as
// kShowProgressMessage, posted to the window.
#pragma once

#include <windows.h>

#include <shobjidl.h>

namespace vendrit {

// Posted to the main window: wparam the boards moved, lparam the boards to
// move times 2, plus 1 once a failure line has been shown.
constexpr UINT kShowProgressMessage = WM_APP + 1;

// What the button shows for `done` of `total` moved boards; no bar when
// total is 0, the error state once there was `trouble`.
struct TaskbarState {
  TBPFLAG flag;
  ULONGLONG completed, total;
  bool operator==(const TaskbarState& o) const {
    return flag == o.flag && completed == o.completed && total == o.total;
  }
};
TaskbarState taskbar_state(int done, int total, bool trouble);

// Shows `s` on `window`'s button.  The taskbar object is made on this
// thread at the first call; when it cannot be made, nothing is shown.
void show_taskbar_state(HWND window, const TaskbarState& s);
// Lets the taskbar object go, on the thread that made it.
void release_taskbar();

}  // namespace vendrit
