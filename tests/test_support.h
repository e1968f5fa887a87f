// Shared helpers for the unit tests: a temporary reader root that becomes the
// current directory, file helpers that work in program paths (backslashes),
// a Ui that records what the windows would show, and builders of board
// lists, thread index files and thread logs.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "state/ui.h"
#include "tests/fault_env.h"

namespace vendrit {

// Creates a fresh directory, makes it current, and on destruction goes back
// and removes it.  Also resets the process-wide state the tests touch:
// catalogue tables, settings, work buffer, copy-data block, Ui and Env.
class TempRoot {
 public:
  TempRoot();
  ~TempRoot();
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string previous_;
};

// Test fixture with a TempRoot, a RecordingUi installed as g_ui, the work
// buffer and the copy-data block allocated, and a FaultEnv installed.
class RootTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::unique_ptr<TempRoot> root_;
  FaultEnv fault_;
  class RecordingUi* ui_ = nullptr;
};

// Files, named by program paths relative to the current directory.
void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);
bool dir_exists(const std::string& path);
void make_dirs(const std::string& path);  // the whole chain
// Sorted list of every file below `dir` with its content, "path=bytes";
// directories end in "/", links show their target ("path->target") and are
// not followed, and special files are named only.
std::vector<std::string> snapshot_tree(const std::string& dir);

class RecordingUi : public Ui {
 public:
  void output_append(const char* text) override { output += text; }
  void output_clear() override { output.clear(); }
  void output_remove_selection() override { ++selection_removals; }
  void redraw() override { ++redraws; }
  void set_buttons_enabled(bool enabled) override { buttons.push_back(enabled); }
  void beep() override { ++beeps; }
  void post_exit() override { ++exits_posted; }
  void show_error(const char* text) override { errors.push_back(text); }
  void show_information(const char* text) override { informations.push_back(text); }
  int run_settings_dialog(bool owned) override {
    dialogs.push_back(owned);
    return dialog_result;
  }
  void run_main_window() override {
    ++main_windows;
    if (on_main_window) on_main_window();
  }
  intptr_t window_handle() override { return 0x1234; }
  void load_script(int id, char* buf, size_t size) override {
    snprintf(buf, size, "\\0script%d\\e", id);
    loaded_scripts.push_back(id);
  }
  // Records each request as the host would receive it.
  bool send_copy_data(intptr_t target, void* copy_data) override;
  struct Sent {
    intptr_t target;
    uintptr_t tag;
    std::string data;
  };
  std::vector<Sent> sent;
  std::vector<int> loaded_scripts;

  std::string output;
  int selection_removals = 0, redraws = 0, beeps = 0, exits_posted = 0;
  int main_windows = 0;
  std::vector<bool> buttons;
  std::vector<std::string> errors, informations;
  std::vector<bool> dialogs;
  int dialog_result = 0;
  std::function<void()> on_main_window;
};

// Catalogue builders.
void add_board(const char* server, const char* board_id, const char* name = "板");
void add_exclusion(const char* server, const char* board_id);
// `name` joins the favourites list, its content read afresh.
void add_favourites(const std::string& name, const std::string& content);

// Line 1 of a thread index file: the fields joined by tabs, `end` after the last.
std::string index_line(const std::vector<std::string>& fields, const std::string& end = "\r\n");
// A usable thread index file; with field 21 empty it is exactly what the
// program writes, so expected files are built the same way.
struct Index {
  Index(int f = 0, std::string h = "", std::string b = "news") : flags(f), host(h), board(b) {}
  int flags;
  std::string host, board, title = "スレ", board_name = "板", field21;
};
std::string index_text(const Index& i, const std::string& end = "\r\n",
                       const std::string& rest = "Last-Modified: Sat, 01 Jan 2000 00:00:00 GMT\r\n");
// A thread log of `lines` lines, each with a reading address of `board` on
// `host` and a link to the top page of `top` (default: `host`), which a link
// rewrite leaves alone.
std::string log_text(const std::string& host, const std::string& board = "news", int lines = 1,
                     const std::string& top = "");

// The work buffer becomes a `size`-byte block, so that ordinary files outgrow it.
void use_small_work_buffer(size_t size = 16);
// The next `n` allocations or growths of the work buffer fail.
void fail_work_buffer_growths(int n);
// The allocation seam of the work buffer (state/work_buffer.cpp).
extern void* (*g_work_buffer_realloc)(void*, size_t);

}  // namespace vendrit
