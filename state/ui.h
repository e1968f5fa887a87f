// The user-facing seam: what the shared start-up and run sequence ask of the
// windows.  The Win32 main window and the Linux console shell implement it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vendrit {

class Ui {
 public:
  virtual ~Ui() = default;

  // Output control of the progress log.
  virtual void output_append(const char* text) = 0;  // replace the selection with text
  virtual void output_clear() = 0;
  virtual void output_remove_selection() = 0;
  virtual void redraw() = 0;

  // The three buttons GO!, 設定 and EXIT.
  virtual void set_buttons_enabled(bool enabled) = 0;
  // The asterisk sound at the end of a run.
  virtual void beep() = 0;
  // Auto mode: ask the window to leave once the run has ended.
  virtual void post_exit() = 0;
  // How far a run has got: `done` of `total` moved boards, and whether a
  // failure line has been shown; total 0 when no run is going on.
  virtual void show_progress(int done, int total, bool trouble) {
    (void)done, (void)total, (void)trouble;
  }

  // Start-up refusal: error box titled "Vendrit" with no owner.
  virtual void show_error(const char* text) = 0;
  // Information box owned by the main window; returns when dismissed.
  virtual void show_information(const char* text) = 0;

  // Settings dialog; 1 after OK, 0 after Cancel.  `owned`: opened from the
  // main window rather than in settings mode.
  virtual int run_settings_dialog(bool owned) = 0;
  // Runs the main window until the user (or auto mode) leaves.
  virtual void run_main_window() = 0;

  // Main window handle as a number (0 before the window exists).
  virtual intptr_t window_handle() = 0;
  // Loads string-table script `id` as Shift_JIS into buf (empty when the
  // platform has no string table).
  virtual void load_script(int id, char* buf, size_t size) {
    (void)id;
    if (size) buf[0] = '\0';
  }
  // Sends an SSTP request to `target` as a copy-data message whose record is
  // `copy_data`; false when it was not delivered.
  virtual bool send_copy_data(intptr_t target, void* copy_data) = 0;
};

}  // namespace vendrit
