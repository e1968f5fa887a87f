#include "tests/test_support.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/text.h"
#include "relocate/rewrite_favourite_paths.h"
#ifdef _WIN32
#include "platform/win32/wide_text.h"
#endif

namespace vendrit {

namespace {

namespace fs = std::filesystem;

// Program paths (backslashes, Shift_JIS) to the host's and back (with '/').
#ifdef _WIN32
fs::path host_path(const std::string& path) { return fs::path(widen(path.c_str())); }
std::string program_text(const fs::path& path) { return narrow(path.generic_wstring().c_str()); }
#else
fs::path host_path(std::string out) {
  for (size_t i = 0; i < out.size(); i += sjis_char_size(&out[i])) out[i] = out[i] == '\\' ? '/' : out[i];
  return fs::path(out);
}
std::string program_text(const fs::path& path) { return path.generic_string(); }
#endif

int g_failing_growths = 0;

std::string read_host(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
}

}  // namespace

TempRoot::TempRoot() {
  std::error_code ec;
  previous_ = fs::current_path(ec).string();
  for (std::random_device rd; path_.empty();) {
    fs::path p = fs::temp_directory_path() / ("vendrit-test-" + std::to_string(rd()));
    if (fs::create_directory(p, ec)) path_ = p.string();
  }
  fs::current_path(path_);
  platform_env()->fix_root();
}

TempRoot::~TempRoot() {
  std::error_code ec;
  fs::current_path(previous_, ec);
  platform_env()->fix_root();
  fs::remove_all(path_, ec);
}

void RootTest::SetUp() {
  root_ = std::make_unique<TempRoot>();
  progress_.ui = ui_ = new RecordingUi;
  work_buffer_allocate(work_);
  copy_data_block_allocate(progress_);
}

void RootTest::TearDown() {
  delete ui_;
  root_.reset();
}

std::error_code g_ec;  // what the helpers below ignore

void enter_dir(const std::string& path) { fs::current_path(host_path(path), g_ec); }

void resize_file(const std::string& path, uint64_t size) { fs::resize_file(host_path(path), size, g_ec); }

void write_file(const std::string& path, const std::string& bytes) {
  fs::create_directories(host_path(path).parent_path(), g_ec);
  ASSERT_TRUE(std::ofstream(host_path(path), std::ios::binary) << bytes) << path;
}

std::string read_file(const std::string& path) { return read_host(host_path(path)); }
bool file_exists(const std::string& path) { return fs::is_regular_file(host_path(path), g_ec); }
void make_dirs(const std::string& path) { fs::create_directories(host_path(path), g_ec); }

void write_tree(const std::string& dir, const std::vector<std::string>& entries) {
  make_dirs(dir);
  for (const std::string& e : entries) write_file(dir + "\\" + e.substr(0, e.find('=')), e.substr(e.find('=') + 1));
}

std::vector<std::string> snapshot_tree(const std::string& dir) {
  std::vector<std::string> out;
  std::error_code ec;
  fs::path base = host_path(dir);
  for (auto it = fs::recursive_directory_iterator(base, ec); it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::string rel = program_text(it->path().lexically_relative(base));
    switch (it->symlink_status(ec).type()) {
      case fs::file_type::directory: out.push_back(rel + "/"); break;
      case fs::file_type::regular: out.push_back(rel + "=" + read_host(it->path())); break;
      case fs::file_type::symlink: out.push_back(rel + "->" + program_text(fs::read_symlink(it->path(), ec))); break;
      default: out.push_back(rel + " (special)"); break;
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

static BoardRecord board_record(const char* server, const char* board_id, const char* name) {
  BoardRecord r{};
  copy_text(r.server, sizeof r.server, server);
  copy_text(r.board_id, sizeof r.board_id, board_id);
  copy_text(r.board_name, sizeof r.board_name, name);
  return r;
}

void RootTest::add_board(const std::string& server, const char* board_id, const char* name) {
  catalogue_.boards.push_back(board_record(server.c_str(), board_id, name));
}
void RootTest::add_exclusion(const std::string& server, const char* board_id) {
  catalogue_.exclusions.push_back(board_record(server.c_str(), board_id, ""));
  exclusion_index_rebuild(catalogue_);
}

void RootTest::add_favourites(const std::string& name, const std::string& content) {
  write_file(name, content);
  catalogue_.favourites.push_back(name);
  favourites_forget(run_);
}

std::string index_line(const std::vector<std::string>& fields, const std::string& end) {
  std::string out;
  for (size_t i = 0; i < fields.size(); ++i) out += (i ? "\t" : "") + fields[i];
  return out + end;
}

std::string index_text(const Index& i, const std::string& end, const std::string& rest) {
  return index_line({"5", std::to_string(i.flags), "7", i.title, i.host, i.board, "f7", "8", "9", "10", "f11", "f12",
                     i.board_name, "14", "f15", "f16", "17", "f18", "f19", "f20", i.field21},
                    end) + rest;
}

std::string log_text(const std::string& host, const std::string& board, int lines, const std::string& top) {
  std::string out;
  for (int i = 0; i < lines; ++i) {
    out += "名無し<>sage<>2000/01/01<> http://" + host + "/test/read.cgi/" + board + "/12/" + std::to_string(i) +
           " を見て http://" + (top.empty() ? host : top) + "/" + board + "/ <>\r\n";
  }
  return out;
}

void RecordingUi::run_main_window() {
  ++main_windows;
  if (on_main_window) on_main_window();
}

bool RecordingUi::send_copy_data(intptr_t target, void* copy_data) {
  const auto* r = static_cast<const CopyDataRecord*>(copy_data);
  sent.push_back({target, r->tag, std::string(static_cast<const char*>(r->data), r->length)});
  return true;
}

void RootTest::use_small_work_buffer(size_t size) {
  work_buffer_free(work_);
  work_.data = static_cast<char*>(malloc(size));
  work_.size = size;
}

void fail_work_buffer_growths(WorkBuffer& work, int n) {
  g_failing_growths = n;
  work.reallocate = [](void* old, size_t size) { return g_failing_growths-- > 0 ? nullptr : realloc(old, size); };
}

}  // namespace vendrit
