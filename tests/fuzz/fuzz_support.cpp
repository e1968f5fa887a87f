#include "tests/fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "state/ui.h"
#include "state/work_buffer.h"
#include "report/progress_log.h"

namespace vendrit {

namespace {
class SilentUi : public Ui {
 public:
  void output_append(const char*) override {}
  void output_clear() override {}
  void output_remove_selection() override {}
  void redraw() override {}
  void set_buttons_enabled(bool) override {}
  void beep() override {}
  void post_exit() override {}
  void show_error(const char*) override {}
  void show_information(const char*) override {}
  int run_settings_dialog(bool) override { return 0; }
  void run_main_window() override {}
  intptr_t window_handle() override { return 0; }
  bool send_copy_data(intptr_t, void*) override { return false; }
};
}  // namespace

void fuzz_init() {
  static bool done = false;
  if (done) return;
  done = true;
  char dir[] = "/dev/shm/vendrit-fuzz-XXXXXX";
  if (!mkdtemp(dir) || chdir(dir) != 0) abort();
  static SilentUi ui;
  g_ui = &ui;
  if (!work_buffer_allocate() || !copy_data_block_allocate()) abort();
}

void fuzz_write(const char* name, const uint8_t* data, size_t size) {
  FILE* f = fopen(name, "wb");
  if (!f) abort();
  if (size) fwrite(data, 1, size, f);
  fclose(f);
}

std::string fuzz_read(const char* name) {
  std::ostringstream out;
  out << std::ifstream(name, std::ios::binary).rdbuf();
  return out.str();
}

}  // namespace vendrit
