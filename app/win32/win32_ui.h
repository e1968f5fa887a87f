// The Win32 side of the user-facing seam: the output control, the buttons
// and the message boxes of the main window.  The worker thread calls these
// too; it reaches the window only with SendMessage to its controls (served
// by the window's thread while the worker waits) and PostMessage for the
// final EXIT and the taskbar progress, so the window's thread never races
// with it.  The announcer thread calls send_copy_data only.
#pragma once

#include <windows.h>

#include "state/ui.h"
#include "store/run.h"

namespace vendrit {

class Win32Ui : public Ui {
 public:
  // The main window and the settings dialog work on `run`.
  Win32Ui(HINSTANCE instance, Run* run) : instance_(instance), run_(run) {}

  void output_append(const char* text) override;
  void output_clear() override;
  void output_remove_selection() override;
  void redraw() override;
  void set_buttons_enabled(bool enabled) override;
  void beep() override;
  void post_exit() override;
  void show_progress(int done, int total, bool trouble) override;
  void show_error(const char* text) override;
  void show_information(const char* text) override;
  int run_settings_dialog(bool owned) override;
  void run_main_window() override;
  intptr_t window_handle() override;
  void load_script(int id, char* buf, size_t size) override;
  bool send_copy_data(intptr_t target, void* copy_data) override;

  HINSTANCE instance() const { return instance_; }

 private:
  HINSTANCE instance_;
  Run* run_;
};

// The main window; null before it opens and after it closed.  One per
// process, and the worker and announcer threads reach it through this Ui.
extern HWND g_main_window;

}  // namespace vendrit
