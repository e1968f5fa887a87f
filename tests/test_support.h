// Shared test helpers: a temporary root, file helpers taking program paths, a
// recording Ui, builders of catalogue entries, thread index files and logs.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "report/sstp_notify.h"
#include "state/ui.h"
#include "store/run.h"
#include "tests/fault_env.h"
#include "vendrit_config.h"

namespace vendrit {

// A server of the main family (of the sister one), and the two most tests move between.
inline std::string server(const std::string& name) { return name + kMainSuffix; }
inline std::string sister(const std::string& name) { return name + kSisterSuffix; }
const std::string kOld = server("old"), kNew = server("new");

// A fresh current directory, removed at the end.
class TempRoot {
 public:
  TempRoot();
  ~TempRoot();
  const std::string& path() const { return path_; }

 private:
  std::string path_, previous_;
};

// A TempRoot and a run context of its own: a FaultEnv, a RecordingUi, the work buffer and
// copy-data block, an empty catalogue.
class RootTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  void add_board(const std::string& server, const char* board_id, const char* name = "板");
  void add_exclusion(const std::string& server, const char* board_id);
  void add_favourites(const std::string& name, const std::string& content);  // read afresh
  void use_small_work_buffer(size_t size = 16);  // so that ordinary files outgrow it
  std::unique_ptr<TempRoot> root_;
  FaultEnv fault_;
  class RecordingUi* ui_ = nullptr;
  Env* const env_ = &fault_;
  vendrit::Run run_{env_};  // testing::Test has a Run of its own
  RunSettings& settings_ = run_.settings;
  RunChoices& choices_ = run_.choices;
  Catalogue& catalogue_ = run_.catalogue;
  WorkBuffer& work_ = run_.work;
  Progress& progress_ = run_.progress;
};

void write_file(const std::string& path, const std::string& bytes);  // makes its directory
std::string read_file(const std::string& path);  // "<missing>" when it cannot be read
bool file_exists(const std::string& path);
void resize_file(const std::string& path, uint64_t size);
void make_dirs(const std::string& path);  // the whole chain
void enter_dir(const std::string& path);  // the process's current directory, not the program's root
// Writes "name=bytes" entries (names may hold '\\') into `dir`, made even when empty.
void write_tree(const std::string& dir, const std::vector<std::string>& entries);
// Sorted "path=bytes" below `dir`; "dir/", "link->target" (not followed), "name (special)".
std::vector<std::string> snapshot_tree(const std::string& dir);

class RecordingUi : public Ui {
 public:
  void output_append(const char* text) override { output += text; }
  void output_clear() override { output.clear(); }
  void output_remove_selection() override {}
  void redraw() override {}
  void set_buttons_enabled(bool enabled) override { buttons.push_back(enabled); }
  void beep() override { ++beeps; }
  void post_exit() override { ++exits_posted; }
  void show_progress(int done, int total, bool trouble) override { progress.push_back({done, total, trouble}); }
  void show_error(const char* text) override { errors.push_back(text); }
  void show_information(const char* text) override { informations.push_back(text); }
  int run_settings_dialog(bool) override { return dialog_result; }
  void run_main_window() override;
  intptr_t window_handle() override { return 0x1234; }
  void load_script(int id, char* buf, size_t size) override { snprintf(buf, size, "\\0script%d\\e", id); }
  bool send_copy_data(intptr_t target, void* copy_data) override;  // recorded as the host gets it
  struct Sent {
    intptr_t target;
    uintptr_t tag;
    std::string data;
  };
  std::vector<Sent> sent;
  std::string output;
  int beeps = 0;
  int exits_posted = 0;
  int main_windows = 0;
  int dialog_result = 0;
  std::vector<bool> buttons;
  std::vector<std::vector<int>> progress;  // done, total, trouble
  std::vector<std::string> errors, informations;
  std::function<void()> on_main_window;
};

// Line 1 of a thread index file: the fields joined by tabs, `end` after the last.
std::string index_line(const std::vector<std::string>& fields, const std::string& end = "\r\n");
// A usable thread index file; with field 21 empty, byte for byte what the program writes.
struct Index {
  Index(int f = 0, std::string h = "", std::string b = "news") : flags(f), host(h), board(b) {}
  int flags;
  std::string host, board, title = "スレ", board_name = "板", field21;
};
std::string index_text(const Index& i, const std::string& end = "\r\n",
                       const std::string& rest = "Last-Modified: Sat, 01 Jan 2000 00:00:00 GMT\r\n");
// `lines` log lines, each reading `board` on `host` and linking the top page on `top`
// (default `host`), which no rewrite touches.
std::string log_text(const std::string& host, const std::string& board = "news", int lines = 1,
                     const std::string& top = "");

void fail_work_buffer_growths(WorkBuffer& work, int n);  // its next n allocations or growths fail

}  // namespace vendrit
