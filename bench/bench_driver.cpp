// Times the program's "auto" run (relocation and repair, default settings:
// changelink on) on a generated tree against the floor program on a fresh
// copy of the same tree, and the program's start-up with a full catalogue.
//
//   vendrit_bench [--boards N] [--threads M] [--moved PCT] [--collide PCT]
//                 [--catalogue K] [--favourites F] [--fav-files N] [--extra-fav N]
//                 [--extra-fav-moved N] [--seed S] [--reps R] [--warmup 0|1]
//                 [--startup-runs K] [--work DIR] [--vendrit PATH] [--no-verify]
//                 [--no-run] [--no-startup] [--count-calls] [--startup-callgrind]
//
// --work on a tmpfs (for example /dev/shm/vendrit-bench) takes the disk out
// of the figures, so that the programs' own costs show.  --count-calls runs
// each program once more, untimed, under strace -f -c and reports how many
// system calls it made, in all and of the kinds that touch files: exact
// figures that do not depend on the machine's load.  It then runs each once
// more with its renames traced and counts how often a favourites file was
// replaced, against the number of moved boards times the favourites files
// that name a thread of each.  --startup-callgrind counts the instructions of
// one start-up under valgrind's callgrind, which the machine's load does not
// change either.
//
// Every measured run gets its own fresh copy of the generated tree, made and
// synced before the clock starts, so both programs start from the same warm
// page cache.  An untimed run of each may come first (--warmup 1, the
// default); the timed runs alternate which program goes first, and the
// result trees of the first pair are compared.
// Wall time from a monotonic clock around fork and wait4; CPU time and peak
// memory from the child's rusage.
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <strings.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace vendrit_bench {
namespace {

struct Options {
  int boards = 1000, threads = 100, moved = 50, collide = 20, catalogue = 4000;
  int favourites = 1000, fav_files = 5, extra_fav = 0, extra_fav_moved = 0;
  unsigned long long seed = 1;
  int reps = 3, startup_runs = 20, warmup = 1;
  std::string work, vendrit;
  bool verify = true, run = true, startup = true, count_calls = false, startup_callgrind = false;
};

struct Measure {
  double wall = 0, user = 0, sys = 0;
  long max_rss_kb = 0;
  int status = 0;
  double cpu() const { return user + sys; }
};

std::string g_bin_dir;

double now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

// Runs argv in `dir` with its standard streams redirected; waits for it.
Measure run(const std::vector<std::string>& argv, const std::string& dir, const char* in,
            const std::string& out, const std::string& err) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  Measure m;
  double start = now();
  pid_t pid = fork();
  if (pid < 0) {
    perror("fork");
    exit(1);
  }
  if (pid == 0) {
    if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(126);
    int i = open(in, O_RDONLY);
    int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    // No name for the error stream: the driver's own is kept.
    int e = err.empty() ? dup(2) : open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (i < 0 || o < 0 || e < 0) _exit(126);
    dup2(i, 0), dup2(o, 1), dup2(e, 2);
    execv(args[0], args.data());
    _exit(127);
  }
  rusage ru;
  int status = 0;
  while (wait4(pid, &status, 0, &ru) < 0) {
    if (errno != EINTR) {
      perror("wait4");
      exit(1);
    }
  }
  m.wall = now() - start;
  m.user = seconds(ru.ru_utime);
  m.sys = seconds(ru.ru_stime);
  m.max_rss_kb = ru.ru_maxrss;
  m.status = status;
  return m;
}

// A helper command whose failure ends the benchmark.
void must(const std::vector<std::string>& argv, const std::string& dir = "") {
  std::string path = argv[0];
  std::vector<std::string> a = argv;
  if (path.find('/') == std::string::npos) {
    for (const char* d : {"/usr/bin/", "/bin/"}) {
      if (access((d + path).c_str(), X_OK) == 0) {
        a[0] = d + path;
        break;
      }
    }
  }
  Measure m = run(a, dir, "/dev/null", "/dev/null", "");
  if (!WIFEXITED(m.status) || WEXITSTATUS(m.status) != 0) {
    std::string line;
    for (const std::string& s : argv) line += s + " ";
    fprintf(stderr, "bench: failed: %s\n", line.c_str());
    exit(1);
  }
}

bool exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

struct TreeStats {
  long long files = 0, bytes = 0, largest = 0;
  std::string largest_path;
};
TreeStats g_stats;

int count_file(const char* path, const struct stat* st, int type, FTW*) {
  if (type == FTW_F) {
    ++g_stats.files;
    g_stats.bytes += st->st_size;
    if (st->st_size > g_stats.largest) {
      g_stats.largest = st->st_size;
      g_stats.largest_path = path;
    }
  }
  return 0;
}

TreeStats tree_stats(const std::string& dir) {
  g_stats = TreeStats();
  nftw(dir.c_str(), count_file, 64, FTW_PHYS);
  return g_stats;
}

// Generates the tree once per parameter set; later runs reuse it.
std::string ensure_tree(const std::string& name, const std::vector<std::string>& args) {
  std::string dir = name;
  std::string stamp = dir + ".done";
  if (exists(stamp)) return dir;
  if (exists(dir)) must({"rm", "-rf", dir});
  std::vector<std::string> argv{g_bin_dir + "/vendrit_bench_gen", "--out", dir};
  argv.insert(argv.end(), args.begin(), args.end());
  printf("generating %s ...\n", dir.c_str());
  fflush(stdout);
  double t = now();
  must(argv);
  printf("  generated in %.1f s\n", now() - t);
  FILE* f = fopen(stamp.c_str(), "w");
  if (f) fclose(f);
  return dir;
}

std::string read_text(const std::string& path) {
  std::string s;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return s;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
  fclose(f);
  return s;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  for (size_t at = 0; at < text.size();) {
    size_t eol = text.find('\n', at);
    if (eol == std::string::npos) eol = text.size();
    out.push_back(text.substr(at, eol - at));
    at = eol + 1;
  }
  return out;
}

size_t count_of(const std::string& text, const char* word) {
  size_t n = 0;
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
  return n;
}

enum Tool { kProgram, kFloor };
const char* const kToolNames[] = {"vendrit auto", "floor"};

// Copies the tree, runs one tool on the copy and returns the copy's path.
Measure measure(Tool tool, const Options& o, const std::string& tree, const std::string& plan,
                const std::string& copy) {
  if (exists(copy)) must({"rm", "-rf", copy});
  must({"cp", "-a", tree, copy});
  must({"sync"});
  std::string out = o.work + "/" + (tool == kProgram ? "vendrit" : "floor") + ".out";
  std::string err = o.work + "/" + (tool == kProgram ? "vendrit" : "floor") + ".err";
  Measure m = tool == kProgram ? run({o.vendrit, "auto"}, copy, "/dev/null", out, err)
                               : run({g_bin_dir + "/vendrit_bench_floor", plan}, copy,
                                     "/dev/null", out, err);
  if (!WIFEXITED(m.status) || WEXITSTATUS(m.status) != 0) {
    fprintf(stderr, "bench: %s ended with status %d; see %s\n", kToolNames[tool], m.status,
            err.c_str());
    exit(1);
  }
  if (tool == kProgram) {
    std::string text = read_text(out);
    size_t problems = count_of(text, "File:") + count_of(text, "Dir:");
    if (problems) printf("  note: the program reported %zu File:/Dir: lines (%s)\n", problems, out.c_str());
  }
  return m;
}

// Runs one tool on a fresh copy of the tree under strace with the options
// given; false when the run failed.
bool traced_run(Tool t, const Options& o, const std::string& tree, const std::string& plan,
                std::vector<std::string> argv) {
  std::string copy = o.work + "/count-run";
  if (exists(copy)) must({"rm", "-rf", copy});
  must({"cp", "-a", tree, copy});
  if (t == kProgram) {
    argv.insert(argv.end(), {o.vendrit, "auto"});
  } else {
    argv.insert(argv.end(), {g_bin_dir + "/vendrit_bench_floor", plan});
  }
  Measure m = run(argv, copy, "/dev/null", "/dev/null", o.work + "/calls.err");
  must({"rm", "-rf", copy});
  return WIFEXITED(m.status) && WEXITSTATUS(m.status) == 0;
}

bool ends_with_nocase(const std::string& s, const char* tail) {
  size_t n = strlen(tail);
  return s.size() >= n && strcasecmp(s.c_str() + s.size() - n, tail) == 0;
}

// A favourites index file: a file directly in the reader directory named
// *.idx, but "favboard.idx", which lists boards.
bool is_favourites_name(const std::string& name) {
  return name.find('/') == std::string::npos && ends_with_nocase(name, ".idx") &&
         name != "favboard.idx";
}

// How often a favourites file must be rewritten at most when it is rewritten
// once per moved board: for each move of the plan, the favourites files of
// the tree with an entry under the board's old directory.
long long favourites_bound(const std::string& tree, const std::string& plan_text) {
  std::vector<std::string> entries;  // "\n<old server>\\<board>\\" of each move
  for (const std::string& line : lines_of(plan_text)) {
    char from[256], to[256], board[256];
    if (sscanf(line.c_str(), "move\t%255[^\t]\t%255[^\t]\t%255s", from, to, board) == 3) {
      entries.push_back(std::string("\n") + from + "\\" + board + "\\");
    }
  }
  long long bound = 0;
  DIR* d = opendir(tree.c_str());
  while (dirent* e = d ? readdir(d) : nullptr) {
    struct stat st;
    std::string path = tree + "/" + e->d_name;
    if (!is_favourites_name(e->d_name) || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
      continue;
    }
    std::string text = "\n" + read_text(path);
    for (const std::string& entry : entries) bound += text.find(entry) != std::string::npos;
  }
  if (d) closedir(d);
  return bound;
}

// The favourites files replaced in a run, from strace -y output of its
// renames in `root`: the successful ones whose target is a favourites file.
// The target is the second quoted path; renameat names the directory it is
// relative to just before it, as fd<path>.  Read a line at a time: what the
// driver holds when it forks counts in the next child's peak memory.
long long favourites_rewrites(const std::string& trace, const std::string& root) {
  long long n = 0;
  FILE* f = fopen(trace.c_str(), "r");
  char* text = nullptr;
  size_t capacity = 0;
  ssize_t got;
  while (f && (got = getline(&text, &capacity, f)) > 0) {
    std::string line(text, static_cast<size_t>(got));
    while (!line.empty() && line.back() == '\n') line.pop_back();
    if (line.size() < 3 || line.compare(line.size() - 3, 3, "= 0") != 0) continue;
    size_t quote[4], found = 0;
    for (size_t i = 0; i < line.size() && found < 4; ++i) {
      if (line[i] == '\\') ++i;
      else if (line[i] == '"') quote[found++] = i;
    }
    if (found < 4) continue;
    std::string dir = root, between = line.substr(quote[1], quote[2] - quote[1]);
    size_t from = between.find('<'), to = between.rfind('>');
    if (from != std::string::npos && to != std::string::npos && to > from) {
      dir = between.substr(from + 1, to - from - 1);
    }
    std::string target = line.substr(quote[2] + 1, quote[3] - quote[2] - 1);
    std::string path = target[0] == '/' ? target : dir + "/" + target;
    n += path.compare(0, root.size() + 1, root + "/") == 0 &&
         is_favourites_name(path.substr(root.size() + 1));
  }
  free(text);
  if (f) fclose(f);
  return n;
}

// The system calls of one run of each tool on a fresh copy, counted by
// strace: the total and the calls that name or touch files; then, from one
// more run of each, how often it replaced a favourites file.
void count_calls(const Options& o, const std::string& tree, const std::string& plan) {
  const char* strace = access("/usr/bin/strace", X_OK) == 0 ? "/usr/bin/strace" : nullptr;
  if (!strace) {
    printf("  system calls: not counted (strace is not installed)\n");
    return;
  }
  const char* const kFileCalls[] = {"openat", "newfstatat", "fstat", "statx", "read", "write",
                                    "writev", "close", "rename", "renameat2", "unlink",
                                    "getdents64", "mkdir", "rmdir", "fcntl"};
  long long total[2] = {0, 0}, rewrites[2] = {0, 0};
  for (Tool t : {kProgram, kFloor}) {
    std::string counts = o.work + "/calls." + std::to_string(t);
    std::string renames = o.work + "/renames." + std::to_string(t);
    if (!traced_run(t, o, tree, plan, {strace, "-f", "-c", "-o", counts}) ||
        !traced_run(t, o, tree, plan,
                    {strace, "-f", "-y", "-s", "4096", "-e", "trace=rename,renameat,renameat2",
                     "-o", renames})) {
      printf("  system calls: the counted run failed (see calls.err)\n");
      return;
    }
    // strace -c: "% time seconds usecs/call calls errors syscall" rows, then "total".
    std::string detail;
    for (const std::string& line : lines_of(read_text(counts))) {
      double pct, secs;
      long usecs, calls;
      char tail[128];
      if (sscanf(line.c_str(), "%lf %lf %ld %ld %127[^\n]", &pct, &secs, &usecs, &calls, tail) != 5) {
        continue;
      }
      std::string rest = tail;
      std::string call = rest.substr(rest.find_last_of(' ') + 1);
      if (call == "total") {
        total[t] = calls;
        continue;
      }
      for (const char* f : kFileCalls) {
        if (call == f) detail += " " + call + " " + std::to_string(calls);
      }
    }
    printf("  system calls, %-12s %9lld:%s\n", kToolNames[t], total[t], detail.c_str());
    rewrites[t] = favourites_rewrites(renames, o.work + "/count-run");
  }
  if (total[kFloor] > 0) {
    double ratio = static_cast<double>(total[kProgram]) / total[kFloor];
    printf("target system calls at most 1.5x the floor: %.2fx  %s\n", ratio,
           ratio <= 1.5 ? "met" : "MISSED");
  }
  long long bound = favourites_bound(tree, read_text(plan));
  for (Tool t : {kProgram, kFloor}) {
    printf("target favourites rewrites at most moved boards x files naming them (%lld), %s: "
           "%lld  %s\n",
           bound, kToolNames[t], rewrites[t], rewrites[t] <= bound ? "met" : "MISSED");
  }
  fflush(stdout);
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void run_benchmark(const Options& o) {
  char name[256];
  snprintf(name, sizeof name, "%s/tree-b%d-t%d-m%d-c%d-k%d-f%d-%d-%d-%d-s%llu", o.work.c_str(),
           o.boards, o.threads, o.moved, o.collide, o.catalogue, o.favourites, o.fav_files,
           o.extra_fav, o.extra_fav_moved, o.seed);
  std::string tree = ensure_tree(
      name, {"--boards", std::to_string(o.boards), "--threads", std::to_string(o.threads),
             "--moved", std::to_string(o.moved), "--collide", std::to_string(o.collide),
             "--catalogue", std::to_string(o.catalogue), "--favourites",
             std::to_string(o.favourites), "--fav-files", std::to_string(o.fav_files),
             "--extra-fav", std::to_string(o.extra_fav), "--extra-fav-moved",
             std::to_string(o.extra_fav_moved), "--seed", std::to_string(o.seed)});
  std::string plan = tree + ".plan";
  TreeStats st = tree_stats(tree);
  std::string plan_text = read_text(plan);
  printf("tree: %d boards x %d threads (%zu boards moved, %d%% of those with threads already "
         "at the destination), %lld files, %.1f MiB, largest file %.2f MiB; %d favourites "
         "entries in %d files, and %d more favourites files of 10 KB naming threads that are "
         "gone, %d naming threads of moved boards\n",
         o.boards, o.threads, count_of(plan_text, "move\t"), o.collide, st.files,
         st.bytes / 1048576.0, st.largest / 1048576.0, o.favourites, o.fav_files, o.extra_fav,
         o.extra_fav_moved);
  if (o.count_calls) count_calls(o, tree, plan);

  const std::string copies[] = {o.work + "/run-vendrit", o.work + "/run-floor"};
  if (o.warmup) {
    // Untimed: warms the caches for both alike.
    printf("warm-up run of each (untimed)...\n");
    fflush(stdout);
    measure(kProgram, o, tree, plan, copies[kProgram]);
    measure(kFloor, o, tree, plan, copies[kFloor]);
  }
  std::vector<Measure> runs[2];
  for (int r = 0; r < o.reps; ++r) {
    Tool order[2] = {r % 2 ? kFloor : kProgram, r % 2 ? kProgram : kFloor};
    for (Tool t : order) {
      Measure m = measure(t, o, tree, plan, copies[t]);
      runs[t].push_back(m);
      printf("  run %d %-13s wall %7.2f s  cpu %7.2f s (user %.2f, sys %.2f)  max RSS %6.1f MiB\n",
             r + 1, kToolNames[t], m.wall, m.cpu(), m.user, m.sys, m.max_rss_kb / 1024.0);
      fflush(stdout);
    }
    if (r == 0 && o.verify) {
      // The floor must have done the same job as the program.
      Measure d = run({"/usr/bin/diff", "-rq", copies[kProgram], copies[kFloor]}, "", "/dev/null",
                      o.work + "/diff.out", o.work + "/diff.err");
      bool same = WIFEXITED(d.status) && WEXITSTATUS(d.status) == 0;
      printf("  result trees of program and floor: %s\n",
             same ? "identical" : "DIFFERENT (see diff.out in the work directory)");
      fflush(stdout);
    }
  }
  for (const std::string& c : copies) must({"rm", "-rf", c});

  double best_wall[2], med_wall[2], best_cpu[2], med_cpu[2];
  long peak[2];
  printf("\n%-13s %10s %10s %10s %10s %12s\n", "", "wall best", "wall med", "cpu best",
         "cpu med", "max RSS MiB");
  for (int t = 0; t < 2; ++t) {
    std::vector<double> w, c;
    peak[t] = 0;
    for (const Measure& m : runs[t]) {
      w.push_back(m.wall);
      c.push_back(m.cpu());
      peak[t] = std::max(peak[t], m.max_rss_kb);
    }
    best_wall[t] = *std::min_element(w.begin(), w.end());
    med_wall[t] = median(w);
    best_cpu[t] = *std::min_element(c.begin(), c.end());
    med_cpu[t] = median(c);
    printf("%-13s %9.2fs %9.2fs %9.2fs %9.2fs %12.1f\n", kToolNames[t], best_wall[t],
           med_wall[t], best_cpu[t], med_cpu[t], peak[t] / 1024.0);
  }
  printf("%-13s %9.2fx %9.2fx %9.2fx %9.2fx %12.2fx\n", "ratio", best_wall[0] / best_wall[1],
         med_wall[0] / med_wall[1], best_cpu[0] / best_cpu[1], med_cpu[0] / med_cpu[1],
         static_cast<double>(peak[0]) / peak[1]);
  double wall_ratio = best_wall[0] / best_wall[1];
  double over = peak[0] / 1024.0 - st.largest / 1048576.0;
  printf("\ntarget wall time within 1.3x the floor (best of %d): %.2fx  %s\n", o.reps, wall_ratio,
         wall_ratio <= 1.3 ? "met" : "MISSED");
  printf("target peak memory at most 16 MiB above the largest file (%.2f MiB): +%.1f MiB  %s\n",
         st.largest / 1048576.0, over, over <= 16 ? "met" : "MISSED");
}

std::string startup_tree(const Options& o) {
  return ensure_tree(o.work + "/startup-k9999-e1024", {"--no-log", "--catalogue", "9999",
                                                       "--exclusions", "1024", "--seed",
                                                       std::to_string(o.seed)});
}

void run_startup(const Options& o) {
  std::string root = startup_tree(o);
  std::vector<double> w;
  Measure last;
  for (int i = 0; i < o.startup_runs + 1; ++i) {
    last = run({o.vendrit}, root, "/dev/null", o.work + "/startup.out", o.work + "/startup.err");
    if (!WIFEXITED(last.status) || WEXITSTATUS(last.status) != 0) {
      fprintf(stderr, "bench: start-up run ended with status %d; see startup.err\n", last.status);
      exit(1);
    }
    if (i > 0) w.push_back(last.wall);  // the first one only warms the caches
  }
  std::string out = read_text(o.work + "/startup.out");
  printf("\nstart-up with 9,999 boards and 1,024 exclusions (vendrit < /dev/null), %d runs:\n"
         "  best %.1f ms, median %.1f ms, max RSS %.1f MiB, summary %zu bytes\n",
         o.startup_runs, *std::min_element(w.begin(), w.end()) * 1000, median(w) * 1000,
         last.max_rss_kb / 1024.0, out.size());
  double best = *std::min_element(w.begin(), w.end()) * 1000;
  printf("target start-up under 50 ms (best): %.1f ms  %s\n", best, best < 50 ? "met" : "MISSED");
}

// The instructions of one start-up, counted by callgrind.
void count_startup_instructions(const Options& o) {
  const char* valgrind = "/usr/bin/valgrind";
  if (access(valgrind, X_OK) != 0) {
    printf("\nstart-up instructions: not measured (valgrind is not installed)\n");
    return;
  }
  std::string root = startup_tree(o), counts = o.work + "/startup.callgrind";
  Measure m = run({valgrind, "--tool=callgrind", "--callgrind-out-file=" + counts, o.vendrit}, root,
                  "/dev/null", o.work + "/startup.out", o.work + "/callgrind.err");
  long long total = -1;
  if (WIFEXITED(m.status) && WEXITSTATUS(m.status) == 0) {
    for (const std::string& line : lines_of(read_text(counts))) {
      if (sscanf(line.c_str(), "summary: %lld", &total) == 1 ||
          sscanf(line.c_str(), "totals: %lld", &total) == 1) {
        break;
      }
    }
  }
  if (total < 0) {
    printf("\nstart-up instructions: not measured (see callgrind.err)\n");
  } else {
    printf("\nstart-up with 9,999 boards and 1,024 exclusions under callgrind: %lld instructions\n",
           total);
  }
}

int usage() {
  fprintf(stderr,
          "usage: vendrit_bench [--boards N] [--threads M] [--moved PCT] [--collide PCT]\n"
          "         [--catalogue K] [--favourites F] [--fav-files N] [--extra-fav N]\n"
          "         [--extra-fav-moved N] [--seed S] [--reps R] [--warmup 0|1]\n"
          "         [--startup-runs K] [--work DIR] [--vendrit PATH] [--no-verify] [--no-run]\n"
          "         [--no-startup] [--count-calls] [--startup-callgrind]\n");
  return 2;
}

}  // namespace
}  // namespace vendrit_bench

int main(int argc, char** argv) {
  using namespace vendrit_bench;
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return 1;
  self[n] = '\0';
  g_bin_dir = std::string(self, strrchr(self, '/'));
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
    int* target = a == "--boards"            ? &o.boards
                  : a == "--threads"         ? &o.threads
                  : a == "--moved"           ? &o.moved
                  : a == "--collide"         ? &o.collide
                  : a == "--catalogue"       ? &o.catalogue
                  : a == "--favourites"      ? &o.favourites
                  : a == "--fav-files"       ? &o.fav_files
                  : a == "--extra-fav"       ? &o.extra_fav
                  : a == "--extra-fav-moved" ? &o.extra_fav_moved
                  : a == "--reps"            ? &o.reps
                  : a == "--startup-runs"    ? &o.startup_runs
                  : a == "--warmup"          ? &o.warmup
                                             : nullptr;
    if (target && v) {
      *target = atoi(v);
      ++i;
    } else if (a == "--seed" && v) {
      o.seed = strtoull(v, nullptr, 10);
      ++i;
    } else if (a == "--work" && v) {
      o.work = v;
      ++i;
    } else if (a == "--vendrit" && v) {
      o.vendrit = v;
      ++i;
    } else if (a == "--no-verify") {
      o.verify = false;
    } else if (a == "--no-run") {
      o.run = false;
    } else if (a == "--no-startup") {
      o.startup = false;
    } else if (a == "--count-calls") {
      o.count_calls = true;
    } else if (a == "--startup-callgrind") {
      o.startup_callgrind = true;
    } else {
      return usage();
    }
  }
  if (o.reps < 1 || o.startup_runs < 1) return usage();
  if (o.work.empty()) o.work = g_bin_dir + "/bench-work";
  if (o.vendrit.empty()) o.vendrit = g_bin_dir + "/vendrit";
  mkdir(o.work.c_str(), 0777);
  char abs[PATH_MAX];
  if (!realpath(o.work.c_str(), abs) || access(o.vendrit.c_str(), X_OK) != 0) return usage();
  o.work = abs;
  if (!realpath(o.vendrit.c_str(), abs)) return usage();
  o.vendrit = abs;
  if (o.run) run_benchmark(o);
  if (o.startup) run_startup(o);
  if (o.startup_callgrind) count_startup_instructions(o);
  return 0;
}
