// Whole runs (relocation and repair) over one scenario tree, failing or
// "crashing" at every file operation in turn, under each collision policy.
// After a failed run no thread, index or favourites entry may be lost or
// half-written; after a crash, no file may be half-written; and in both cases
// one more run must leave exactly the tree a run without failures leaves.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "app/main_window.h"
#include "app/run_sequence.h"
#include "state/run_settings.h"
#include "app/startup.h"
#include "platform/safe_replace.h"
#include "store/thread_index.h"
#include "tests/test_support.h"
#include "vendrit_config.h"

namespace vendrit {
namespace {

const std::string kOld = std::string("old") + kMainSuffix;
const std::string kNew = std::string("new") + kMainSuffix;
const std::string kPinkOld = std::string("p1") + kSisterSuffix;
const std::string kPinkNew = std::string("p2") + kSisterSuffix;

std::string index_text(const std::string& host, const std::string& board, int flags) {
  return "10\t" + std::to_string(flags) + "\t0\tスレ\t" + host + "\t" + board +
         "\t\t1\t2\t3\t\t\t板\t0\t\t\t0\t\t\t\t\r\nLast-Modified: Sat, 05 Dec 2026\r\n";
}

std::string log_text(const std::string& host, const std::string& board, int lines) {
  std::string out;
  for (int i = 0; i < lines; ++i) {
    out += "名無し<><>2026/12/06<> http://" + host + "/test/read.cgi/" + board + "/1/" +
           std::to_string(i) + " <>\n";
  }
  return out;
}

// The scenario: two moved boards (one of each family) with a fresh thread,
// a thread whose destination copy is larger, one whose destination copy is
// smaller, a dropped thread, and favourites naming them.  With `doubled`, a
// favourites file names a moved thread and a losing one twice: a run cut
// short and completed must still move only the first entry of each.  (With
// copyonly every run makes the favourites of every thread follow again, so a
// completed run there is one more run, and doubled entries would differ.)
struct Scenario {
  std::map<std::string, std::string> files;  // program path -> bytes

  explicit Scenario(bool doubled = false) {
    const std::string src = "log\\" + kOld + "\\news\\", dst = "log\\" + kNew + "\\news\\";
    files[src + "1.dat"] = log_text(kOld, "news", 3);
    files[src + "1.idx"] = index_text(kOld, "news", 0x60);
    files[src + "2.dat"] = log_text(kOld, "news", 2);
    files[src + "2.idx"] = index_text(kOld, "news", 0);
    files[dst + "2.dat"] = log_text(kNew, "news", 6);
    files[dst + "2.idx"] = index_text(kNew, "news", 0);
    files[src + "3.dat"] = log_text(kOld, "news", 8);
    files[src + "3.idx"] = index_text(kOld, "news", 0);
    files[dst + "3.dat"] = log_text(kNew, "news", 1);
    files[dst + "3.idx"] = index_text(kNew, "news", 0);
    files[src + "4.dat"] = log_text(kOld, "news", 2);
    files[src + "4.idx"] = index_text(kOld, "news", 0x70);
    const std::string pink = "log\\" + kPinkOld + "\\pink\\";
    files[pink + "5.dat"] = log_text(kPinkOld, "pink", 4);
    files[pink + "5.idx"] = index_text(kPinkOld, "pink", 0);
    files["fav.idx"] = kOld + "\\news\\1.idx\r\n" + kOld + "\\news\\3.idx\r\n";
    if (doubled) files["fav.idx"] += files["fav.idx"];
    files["fav2.idx"] = kPinkOld + "\\pink\\5.idx\r\n";
    files["2channel.brd"] = "\t" + kNew + "\tnews\tニュース\r\n\t" + kPinkNew + "\tpink\t桃\r\n";
  }

  void write() const {
    for (const auto& f : files) {
      size_t slash = f.first.rfind('\\');
      if (slash != std::string::npos) make_dirs(f.first.substr(0, slash));
      write_file(f.first, f.second);
    }
  }

  // Every form a log may legitimately have: as written, or with its links
  // moved to the new host.
  std::set<std::string> whole_logs() const {
    std::set<std::string> out;
    for (const auto& f : files) {
      if (f.first.find(".dat") == std::string::npos) continue;
      out.insert(f.second);
      std::string moved = f.second;
      for (auto [from, to] : {std::pair{kOld, kNew}, std::pair{kPinkOld, kPinkNew}}) {
        for (size_t at = moved.find(from + "/"); at != std::string::npos;
             at = moved.find(from + "/", at + to.size())) {
          moved.replace(at, from.size(), to);
        }
      }
      out.insert(moved);
    }
    return out;
  }
};

struct Policy {
  int copyonly, copylarge, no_move;
};

class FailureSweep : public RootTest {
 protected:
  // One whole automatic run, in-process, as the program runs it.  `arm`
  // is called when the run starts: start-up's own failures are another
  // matter (it refuses to start), so faults count from there.
  int run_program(const std::function<void()>& arm = [] {}) {
    ui_->on_main_window = [&arm] {
      arm();
      run_sequence();
    };
    return vendrit_main("auto", ui_);
  }

  void apply(const Policy& p) {
    std::string ini = "[vendrit]\r\ncopyonly=" + std::to_string(p.copyonly) +
                      "\r\ncopylarge=" + std::to_string(p.copylarge) +
                      "\r\nno_move=" + std::to_string(p.no_move) + "\r\n";
    write_file("vendrit.ini", ini);
  }

  void reset_tree(const Policy& p) {
    std::error_code ec;
    for (auto& e : std::filesystem::directory_iterator(".", ec)) std::filesystem::remove_all(e.path(), ec);
    scenario_.write();
    apply(p);
  }

  // The tree without the program's own temporary files, which a crash may leave.
  static std::vector<std::string> tree() {
    std::vector<std::string> out;
    for (const std::string& e : snapshot_tree(".")) {
      size_t slash = e.rfind('/', e.find('='));
      if (is_leftover_temporary(e.substr(slash + 1, e.find('=') - slash - 1).c_str())) continue;
      out.push_back(e);
    }
    return out;
  }

  // The entries only one of the trees has, marked - and +.
  static std::string difference(const std::vector<std::string>& got,
                                const std::vector<std::string>& want) {
    std::string out;
    for (const std::string& e : got) {
      if (!std::binary_search(want.begin(), want.end(), e)) out += "\n+ " + e.substr(0, 120);
    }
    for (const std::string& e : want) {
      if (!std::binary_search(got.begin(), got.end(), e)) out += "\n- " + e.substr(0, 120);
    }
    return out;
  }

  // Checks what must hold after any failed or interrupted run: every thread
  // is somewhere whole with its index beside it (after a crash, between the
  // two steps of a move, its index may stand in the destination while its
  // data file still waits at the source), every index file can be read,
  // and no log is half-written.
  void expect_nothing_lost(bool crashed, const std::string& where) {
    SCOPED_TRACE(where);
    std::set<std::string> whole = scenario_.whole_logs();
    std::map<std::string, std::set<std::string>> data_dirs, index_dirs;  // stem -> dirs
    for (const std::string& e : snapshot_tree("log")) {
      size_t eq = e.find('=');
      if (eq == std::string::npos) continue;
      std::string path = e.substr(0, eq), bytes = e.substr(eq + 1);
      size_t slash = path.rfind('/');
      std::string dir = path.substr(0, slash), base = path.substr(slash + 1);
      if (base.find("vendrit-") == 0) continue;
      std::string stem = base.substr(0, base.find('.'));
      if (base.find(".dat") != std::string::npos) {
        EXPECT_EQ(whole.count(bytes), 1u) << "half-written log " << path;
        data_dirs[stem].insert(dir);
      } else if (base.find(".idx") != std::string::npos) {
        ThreadIndex record;
        EXPECT_TRUE(read_thread_index(("log/" + path).c_str(), &record)) << "broken index " << path;
        index_dirs[stem].insert(dir);
      }
    }
    for (const char* stem : {"1", "2", "3", "4", "5"}) {
      bool paired = false;
      for (const std::string& dir : data_dirs[stem]) paired = paired || index_dirs[stem].count(dir);
      if (crashed) {
        EXPECT_TRUE(!data_dirs[stem].empty() && !index_dirs[stem].empty()) << "thread " << stem;
      } else {
        EXPECT_TRUE(paired) << "thread " << stem << " lost or split";
      }
    }
    for (const char* fav : {"fav.idx", "fav2.idx"}) {
      std::string text = read_file(fav);
      std::string original = scenario_.files.at(fav);
      if (text == original) continue;
      // A rewritten favourites file keeps every entry, each unchanged or
      // naming a thread that exists.
      auto lines = [](const std::string& t) {
        size_t n = 0;
        for (size_t at = t.find("\r\n"); at != std::string::npos; at = t.find("\r\n", at + 2)) ++n;
        return n;
      };
      EXPECT_EQ(lines(text), lines(original)) << fav;
      size_t start = 0;
      for (size_t end = text.find("\r\n"); end != std::string::npos;
           start = end + 2, end = text.find("\r\n", start)) {
        std::string entry = text.substr(start, end - start);
        bool unchanged = original.find(entry + "\r\n") != std::string::npos;
        EXPECT_TRUE(unchanged || file_exists("log\\" + entry)) << fav << ": " << entry;
      }
    }
  }

  void sweep(const Policy& p, bool crash) {
    scenario_ = Scenario(p.copyonly == 0);
    reset_tree(p);
    long started = 0;
    fault_.reset();
    ASSERT_EQ(run_program([&] { started = fault_.total(); }), 0);
    const long operations = fault_.total() - started;
    const std::vector<std::string> expected = tree();
    ASSERT_GT(operations, 50);

    for (long k = 1; k <= operations; ++k) {
      std::string where = "policy " + std::to_string(p.copyonly) + std::to_string(p.copylarge) +
                          std::to_string(p.no_move) + (crash ? " crash before op " : " fail op ") +
                          std::to_string(k);
      reset_tree(p);
      fault_.reset();
      if (crash) {
        pid_t child = fork();
        if (child == 0) {
          run_program([&] { fault_.crash_at(k, [] { _exit(42); }); });
          _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status)) << where;
      } else {
        ASSERT_EQ(run_program([&] { fault_.fail_total_nth(k); }), 0) << where;
      }
      expect_nothing_lost(crash, where);
      fault_.reset();
      ASSERT_EQ(run_program(), 0);
      EXPECT_EQ(difference(tree(), expected), "") << where << ": a second run did not complete the job";
      if (HasFailure()) return;  // one clear report per policy is enough
    }
  }

  Scenario scenario_;
};

const Policy kPolicies[] = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {0, 0, 1}, {1, 1, 1}};

TEST_F(FailureSweep, EveryFailedOperation) {
  for (const Policy& p : kPolicies) sweep(p, false);
}

TEST_F(FailureSweep, EveryCrashPoint) {
  for (const Policy& p : kPolicies) sweep(p, true);
}

}  // namespace
}  // namespace vendrit
