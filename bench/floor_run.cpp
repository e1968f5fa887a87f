// The floor of a run: the file operations that relocation and repair of a
// generated tree cannot do without, and nothing else.  Started in the reader
// directory with the plan the generator wrote beside it (bench_plan.h):
//
//   vendrit_bench_floor PLAN
//
// What it does, and why each step is needed by any run:
// - reads "2channel.brd", "exclude.lst", the root listing and each favourites
//   index file once (a run has to know them);
// - lists "log" and every directory below it to the depth of a board
//   directory (that is how moved boards are found);
// - for each moved board: creates the destination, lists the source, moves
//   each thread by a rename that never overwrites; where the destination
//   already has the thread, looks at its size and keeps the larger copy as
//   the default settings do; removes the emptied directories;
// - after each board, rewrites (temporary file, flushed, then rename) each
//   favourites file that names a thread of it, once, from its contents kept
//   in memory;
// - lists the whole tree again, reads every thread index file, and for each
//   one in a family server directory whose host is not that server, rewrites
//   its thread log's links and then the index file, each through a temporary
//   file that is flushed to the disk before the rename.
// It takes the moves and exclusions from the plan instead of working them out,
// and it writes no progress text.  Its result must equal the program's; the
// driver compares the two trees.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "bench/bench_plan.h"
#include "vendrit_config.h"

namespace vendrit_bench {
namespace {

constexpr size_t kIndexWindow = 4096;
constexpr char kTempName[] = "floor-replace.tmp";

std::vector<char> g_buffer;  // holds one whole file; grows to the largest one

struct Favourite {
  std::string name;
  std::string text;
};
std::vector<Favourite> g_favourites;

struct Move {
  std::string from_server, to_server, board;
};

void fail(const char* what, const std::string& path) {
  fprintf(stderr, "floor: %s %s: %s\n", what, path.c_str(), strerror(errno));
  exit(1);
}

// Reads the whole file into g_buffer; -1 when it cannot be opened.
long long read_whole(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) != 0) fail("cannot stat", path);
  size_t size = static_cast<size_t>(st.st_size);
  if (g_buffer.size() < size + 1) g_buffer.resize(size + 1);
  size_t done = 0;
  while (done < size) {
    ssize_t n = read(fd, g_buffer.data() + done, size - done);
    if (n < 0) fail("cannot read", path);
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  close(fd);
  return static_cast<long long>(done);
}

std::string directory_of(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Puts the pieces in place of `path` through a temporary file beside it.
void replace_with(const std::string& path, std::vector<iovec>& pieces) {
  std::string tmp = directory_of(path) + kTempName;
  int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) fail("cannot create", tmp);
  size_t at = 0;
  while (at < pieces.size()) {
    int count = static_cast<int>(std::min<size_t>(pieces.size() - at, IOV_MAX));
    size_t want = 0;
    for (int i = 0; i < count; ++i) want += pieces[at + i].iov_len;
    ssize_t n = writev(fd, &pieces[at], count);
    if (n < 0 || static_cast<size_t>(n) != want) fail("cannot write", tmp);
    at += static_cast<size_t>(count);
  }
  // On the disk before it takes the name: a power cut must not leave an empty
  // file in place of the old one.  Any durable run pays for this.
  if (fdatasync(fd) != 0) fail("cannot flush", tmp);
  if (close(fd) != 0) fail("cannot close", tmp);
  if (rename(tmp.c_str(), path.c_str()) != 0) fail("cannot replace", path);
}

bool is_dir_entry(const std::string& dir, const dirent* d) {
  if (d->d_type == DT_DIR) return true;
  if (d->d_type != DT_UNKNOWN) return false;
  struct stat st;
  return stat((dir + "/" + d->d_name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool is_dot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// The names in a directory: (name, is directory).
std::vector<std::pair<std::string, bool>> list(const std::string& dir) {
  std::vector<std::pair<std::string, bool>> out;
  DIR* d = opendir(dir.c_str());
  if (!d) return out;
  while (dirent* e = readdir(d)) {
    if (!is_dot(e->d_name)) out.push_back({e->d_name, is_dir_entry(dir, e)});
  }
  closedir(d);
  return out;
}

void read_catalogue() {
  read_whole("2channel.brd");
  read_whole("exclude.lst");
  for (const auto& entry : list(".")) {
    const std::string& name = entry.first;
    if (entry.second || name.size() < 4 || strcasecmp(name.c_str() + name.size() - 4, ".idx") != 0 ||
        name == "favboard.idx") {
      continue;
    }
    long long n = read_whole(name);
    if (n >= 0) g_favourites.push_back(Favourite{name, std::string(g_buffer.data(), n)});
  }
}

// The thread's favourites entry follows it: the first occurrence in each file.
// Makes the entries of one board's threads follow: each favourites file that
// names any of them is rewritten once, after all its replacements.
void follow_in_favourites(const std::vector<std::pair<std::string, std::string>>& moved) {
  for (Favourite& f : g_favourites) {
    bool changed = false;
    for (const auto& m : moved) {
      size_t at = f.text.find(m.first);
      if (at == std::string::npos) continue;
      f.text.replace(at, m.first.size(), m.second);
      changed = true;
    }
    if (!changed) continue;
    std::vector<iovec> piece{{const_cast<char*>(f.text.data()), f.text.size()}};
    replace_with(f.name, piece);
  }
}

void move_board(const Move& m) {
  const std::string from = "log/" + m.from_server + "/" + m.board;
  const std::string to_server = "log/" + m.to_server;
  const std::string to = to_server + "/" + m.board;
  mkdir(to_server.c_str(), 0777);
  mkdir(to.c_str(), 0777);
  DIR* d = opendir(from.c_str());
  if (!d) return;
  std::vector<std::pair<std::string, std::string>> moved;
  while (dirent* e = readdir(d)) {
    if (is_dot(e->d_name) || is_dir_entry(from, e) || strstr(e->d_name, ".idx")) continue;
    std::string name = e->d_name;
    size_t dot = name.rfind('.');
    std::string index = dot == std::string::npos ? name : name.substr(0, dot) + ".idx";
    std::string src = from + "/" + name, dst = to + "/" + name;
    std::string src_index = from + "/" + index, dst_index = to + "/" + index;
    if (renameat2(AT_FDCWD, src.c_str(), AT_FDCWD, dst.c_str(), RENAME_NOREPLACE) == 0) {
      if (rename(src_index.c_str(), dst_index.c_str()) != 0) unlink(dst_index.c_str());
    } else {
      struct stat st;
      if (errno != EEXIST || stat(dst.c_str(), &st) != 0) fail("cannot move", src);
      if (st.st_size == 0) {  // an empty copy there counts as none
        if (rename(src.c_str(), dst.c_str()) != 0) fail("cannot move", src);
        rename(src_index.c_str(), dst_index.c_str());
      } else {  // the copy there is kept, whatever its size
        unlink(src.c_str());
        unlink(src_index.c_str());
      }
    }
    moved.emplace_back(m.from_server + "\\" + m.board + "\\" + index,
                       m.to_server + "\\" + m.board + "\\" + index);
  }
  closedir(d);
  follow_in_favourites(moved);
  rmdir(from.c_str());
}

void relocate(const std::vector<Move>& moves) {
  for (const auto& server : list("log")) {
    if (server.second) list("log/" + server.first);
  }
  std::set<std::string> emptied;
  for (const Move& m : moves) {
    move_board(m);
    emptied.insert(m.from_server);
  }
  for (const std::string& s : emptied) rmdir(("log/" + s).c_str());
}

bool ends_with(const std::string& s, const char* tail) {
  size_t n = strlen(tail);
  return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

bool begins_with(const char* text, size_t size, const std::string& word) {
  return size >= word.size() && memcmp(text, word.data(), word.size()) == 0;
}

// Points the thread log's links to this board at the new host.
void rewrite_links(const std::string& path, const std::string& board, const std::string& old_prefix,
                   const std::string& new_prefix) {
  long long got = read_whole(path);
  if (got < 0) return;
  const size_t size = static_cast<size_t>(got);
  const char* text = g_buffer.data();
  const std::string by_param = "test/read.cgi?bbs=" + board;
  const std::string by_path = "test/read.cgi/" + board + "/";
  std::vector<iovec> pieces;
  size_t run = 0, s = 0;
  while (s < size) {
    const void* hit = memmem(text + s, size - s, old_prefix.data(), old_prefix.size());
    if (!hit) break;
    size_t at = static_cast<size_t>(static_cast<const char*>(hit) - text);
    size_t after = at + old_prefix.size();
    if (begins_with(text + after, size - after, by_param) ||
        begins_with(text + after, size - after, by_path)) {
      pieces.push_back({const_cast<char*>(text + run), at - run});
      pieces.push_back({const_cast<char*>(new_prefix.data()), new_prefix.size()});
      run = after;
    }
    s = after;
  }
  pieces.push_back({const_cast<char*>(text + run), size - run});
  replace_with(path, pieces);
}

// One thread index file of log/<server>/<board>.
void repair_index(const std::string& server, const std::string& board, const std::string& dir,
                  const std::string& name) {
  const std::string path = dir + "/" + name;
  char window[kIndexWindow + 1];
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  ssize_t n = read(fd, window, kIndexWindow);
  close(fd);
  if (n <= 0) return;
  window[n] = '\0';
  if (!ends_with(server, vendrit::kMainSuffix) && !ends_with(server, vendrit::kSisterSuffix)) return;
  // Field 5 is the host.
  std::vector<std::string> fields;
  const char* line_end = strstr(window, "\r\n");
  if (!line_end) return;
  std::string line(static_cast<const char*>(window), line_end);
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  if (fields.size() != 21 || fields[4] == server) return;

  rewrite_links(dir + "/" + name.substr(0, name.size() - 4) + ".dat", board, fields[4] + "/",
                server + "/");
  fields[1] = std::to_string(atoi(fields[1].c_str()) & 0xEF);
  fields[4] = server;
  fields[20].clear();
  std::string text;
  for (size_t i = 0; i < fields.size(); ++i) text += (i ? "\t" : "") + fields[i];
  text.append(line_end, static_cast<size_t>(window + n - line_end));
  std::vector<iovec> piece{{const_cast<char*>(text.data()), text.size()}};
  replace_with(path, piece);
}

void repair(const std::string& dir, int depth, const std::set<std::string>& skipped) {
  for (const auto& entry : list(dir)) {
    const std::string& name = entry.first;
    if (entry.second) {
      if (name[0] != '.') repair(dir + "/" + name, depth + 1, skipped);
      continue;
    }
    if (depth != 2 || !strstr(name.c_str(), ".idx")) continue;
    // dir is log/<server>/<board>
    size_t board_at = dir.rfind('/');
    std::string board = dir.substr(board_at + 1);
    std::string server = dir.substr(4, board_at - 4);
    if (skipped.count(server)) continue;
    repair_index(server, board, dir, name);
  }
}

void read_plan(const char* path, std::vector<Move>* moves, std::set<std::string>* skipped) {
  FILE* f = fopen(path, "rb");
  if (!f) fail("cannot open", path);
  char line[1024];
  while (fgets(line, sizeof line, f)) {
    line[strcspn(line, "\r\n")] = '\0';
    std::vector<std::string> w;
    for (char* p = strtok(line, "\t"); p; p = strtok(nullptr, "\t")) w.push_back(p);
    if (w.size() == 4 && w[0] == kPlanMove) moves->push_back(Move{w[1], w[2], w[3]});
    if (w.size() == 3 && w[0] == kPlanSkip) skipped->insert(w[1]);
  }
  fclose(f);
}

}  // namespace
}  // namespace vendrit_bench

int main(int argc, char** argv) {
  using namespace vendrit_bench;
  if (argc != 2) {
    fprintf(stderr, "usage: vendrit_bench_floor PLAN   (in the reader directory)\n");
    return 2;
  }
  std::vector<Move> moves;
  std::set<std::string> skipped;
  read_plan(argv[1], &moves, &skipped);
  read_catalogue();
  relocate(moves);
  repair("log", 0, skipped);
  return 0;
}
