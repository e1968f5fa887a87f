// The console shell: the Linux stand-in for the windows.  Standard output is
// the output control, a message box is a line on standard error, and the
// three buttons are the commands go, settings and exit read from standard
// input (end of input acts as exit).
#pragma once

#include <cstdio>
#include <string>

#include "state/ui.h"
#include "store/run.h"

namespace vendrit {

class ConsoleUi : public Ui {
 public:
  // The main window and the settings form work on `run`.
  ConsoleUi(FILE* in, FILE* out, FILE* err, bool utf8, Run* run);

  void output_append(const char* text) override;
  void output_clear() override {}
  void output_remove_selection() override {}
  void redraw() override { fflush(out_); }
  void set_buttons_enabled(bool) override {}
  void beep() override {}
  void post_exit() override { exit_posted_ = true; }
  void show_error(const char* text) override;
  void show_information(const char* text) override;
  int run_settings_dialog(bool owned) override;
  void run_main_window() override;
  intptr_t window_handle() override { return 0; }
  bool send_copy_data(intptr_t, void*) override { return false; }

 private:
  void print(FILE* f, const char* text);
  bool read_command(std::string* word);

  FILE* in_;
  FILE* out_;
  FILE* err_;
  bool utf8_;
  Run* run_;
  bool exit_posted_ = false;
};

// Shift_JIS bytes to UTF-8 for a terminal that expects it; bytes that do not
// convert are passed through.
std::string sjis_to_utf8(const char* text);

}  // namespace vendrit
