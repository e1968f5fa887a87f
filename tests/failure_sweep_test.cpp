// Whole runs failing, "crashing", losing power or meeting another program at every
// file operation in turn, under each collision policy: nothing may be lost or
// half-written, a failed run leaves no temporary file, and one more run must
// leave what a run without failures leaves.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "app/run_sequence.h"
#include "app/startup.h"
#include "platform/safe_replace.h"
#include "store/thread_index.h"
#include "tests/test_support.h"
#include "vendrit_config.h"

namespace vendrit {
namespace {

const std::string kOld = std::string("old") + kMainSuffix, kNew = std::string("new") + kMainSuffix;
const std::string kPinkOld = std::string("p1") + kSisterSuffix, kPinkNew = std::string("p2") + kSisterSuffix;
using Files = std::map<std::string, std::string>;
const std::string kAppended = "appended by another program\r\n";

// Number, board, log lines at the source and at the destination (0: none), flags:
// fresh, larger copy there, smaller copy there, dropped, the other family.
struct Thread {
  int n; std::string board; int lines, dest_lines, flags;
  std::string from() const { return board == "news" ? kOld : kPinkOld; }
  std::string to() const { return board == "news" ? kNew : kPinkNew; }
  std::string at(const std::string& server, const char* ext) const { return "log\\" + server + "\\" + board + "\\" + std::to_string(n) + ext; }
};
const Thread kThreads[] = {{1, "news", 3, 0, 0x60}, {2, "news", 2, 6, 0}, {3, "news", 8, 1, 0},
                           {4, "news", 2, 0, 0x70}, {5, "pink", 4, 0, 0}};

// The collision policies: copyonly, copylarge, no_move.
const int kPolicies[][3] = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {0, 0, 1}, {1, 1, 1}};

// The favourites name threads 1, 3 and 5; `doubled` (not with copyonly, where every
// run follows them again) names them twice: only the first entry of each may move.
Files scenario(bool doubled) {
  Files files;
  for (const Thread& t : kThreads) {
    files[t.at(t.from(), ".dat")] = log_text(t.from(), t.board, t.lines);
    files[t.at(t.from(), ".idx")] = index_text(Index(t.flags, t.from(), t.board));
    if (!t.dest_lines) continue;
    files[t.at(t.to(), ".dat")] = log_text(t.to(), t.board, t.dest_lines);
    files[t.at(t.to(), ".idx")] = index_text(Index(0, t.to(), t.board));
  }
  files["fav.idx"] = kOld + "\\news\\1.idx\r\n" + kOld + "\\news\\3.idx\r\n";
  if (doubled) files["fav.idx"] += files["fav.idx"];
  files["fav2.idx"] = kPinkOld + "\\pink\\5.idx\r\n";
  files["2channel.brd"] = "\t" + kNew + "\tnews\tニュース\r\n\t" + kPinkNew + "\tpink\t桃\r\n";
  return files;
}

class FailureSweep : public RootTest {
 protected:
  // One automatic run in-process; faults count from `arm`, after start-up.
  int run_program(const std::function<void()>& arm = [] {}) {
    ui_->on_main_window = [&] { arm(), run_sequence(run_); };
    return vendrit_main("auto", ui_, &run_);
  }

  void reset_tree(const int* p) {
    std::error_code ec;
    for (auto& e : std::filesystem::directory_iterator(".", ec)) std::filesystem::remove_all(e.path(), ec);
    for (const auto& f : scenario_) write_file(f.first, f.second);
    write_file("vendrit.ini", "[vendrit]\r\ncopyonly=" + std::to_string(p[0]) + "\r\ncopylarge=" +
                                  std::to_string(p[1]) + "\r\nno_move=" + std::to_string(p[2]) + "\r\n");
  }

  // The tree without vendrit.ini and, unless asked for, temporary files (a crash may leave them).
  static std::vector<std::string> tree(bool temporaries = false) {
    std::vector<std::string> out;
    for (const std::string& e : snapshot_tree(".")) {
      size_t slash = e.rfind('/', e.find('=')) + 1;
      bool temporary = is_leftover_temporary(e.substr(slash, e.find('=') - slash).c_str());
      if ((temporaries || !temporary) && e.rfind("vendrit.ini=", 0) != 0) out.push_back(e);
    }
    return out;
  }

  // Every thread whole with its index beside it (a crash may part them between
  // a move's two steps), every index readable, every favourites entry kept,
  // unchanged or naming a thread that exists.
  void expect_nothing_lost(bool crashed) {
    std::set<std::string> whole;
    for (const Thread& t : kThreads) {
      whole.insert(log_text(t.from(), t.board, t.lines));
      whole.insert(log_text(t.to(), t.board, t.lines, t.from()));
      whole.insert(log_text(t.to(), t.board, t.dest_lines));
    }
    std::map<std::string, std::set<std::string>> data_dirs, index_dirs;  // stem -> dirs
    for (const std::string& e : snapshot_tree("log")) {
      size_t eq = e.find('='), slash = e.rfind('/', eq);
      if (eq == std::string::npos || e.find("vendrit-", slash) == slash + 1) continue;
      const std::string path = e.substr(0, eq), dir = e.substr(0, slash);
      const std::string stem = e.substr(slash + 1, e.find('.', slash) - slash - 1);
      const bool data = e.find(".dat", slash) < eq;
      ThreadIndex record;
      EXPECT_TRUE(data ? whole.count(e.substr(eq + 1)) == 1 : read_thread_index(env_, ("log/" + path).c_str(), &record))
          << (data ? "half-written log " : "broken index ") << path;
      (data ? data_dirs : index_dirs)[stem].insert(dir);
    }
    for (const char* stem : {"1", "2", "3", "4", "5"}) {
      bool paired = false;
      for (const std::string& dir : data_dirs[stem]) paired = paired || index_dirs[stem].count(dir);
      EXPECT_TRUE(crashed ? !data_dirs[stem].empty() && !index_dirs[stem].empty() : paired) << "thread " << stem;
    }
    for (const char* fav : {"fav.idx", "fav2.idx"}) {
      const std::string text = read_file(fav), original = scenario_.at(fav);
      EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::count(original.begin(), original.end(), '\n'));
      for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        std::string entry = text.substr(start, end - start);
        EXPECT_TRUE(original.find(entry + "\r\n") != std::string::npos || file_exists("log\\" + entry)) << fav << ": " << entry;
      }
    }
  }

  // What happens at the k-th operation of a run.
  enum class Mode { kFail, kCrash, kPowerCut, kHeld, kAppend };

  // Another program appends to thread 1's log and to a favourites file, and gives
  // thread 1's index a new title (wherever the thread is).
  static void append_elsewhere() {
    for (const std::string& server : {kOld, kNew}) {
      const std::string log = kThreads[0].at(server, ".dat"), index = kThreads[0].at(server, ".idx");
      if (file_exists(log)) write_file(log, read_file(log) + kAppended);
      std::string text = read_file(index);
      size_t title = text.find("\tスレ\t");
      if (title != std::string::npos) write_file(index, text.replace(title, 6, "\t新スレ\t"));
    }
    write_file("fav2.idx", read_file("fav2.idx") + kAppended);
  }

  static void expect_appends_kept() {
    EXPECT_NE(read_file("fav2.idx").find(kAppended), std::string::npos);
    bool log = false, index = false;
    for (const std::string& server : {kOld, kNew}) {
      log = log || read_file(kThreads[0].at(server, ".dat")).find(kAppended) != std::string::npos;
      index = index || read_file(kThreads[0].at(server, ".idx")).find("\t新スレ\t") != std::string::npos;
    }
    EXPECT_TRUE(log) << "the bytes appended to a log were lost";
    EXPECT_TRUE(index) << "another program's change to an index was lost";
  }

  // One run with the fault at operation k; a crash or power cut ends the process.
  // False when the fault changed nothing that another pass does not cover: a
  // power cut that found no unflushed data (a crash), a held file never refused.
  bool run_with(Mode mode, long k) {
    if (mode == Mode::kCrash || mode == Mode::kPowerCut) {
      pid_t child = fork();
      if (child == 0) {
        run_program([&] {
          fault_.at_operation(k, [&] { _exit(mode == Mode::kCrash || fault_.cut_power() ? 42 : 43); });
        });
        _exit(0);
      }
      int status = 0;
      EXPECT_TRUE(waitpid(child, &status, 0) == child && WIFEXITED(status));
      return WEXITSTATUS(status) != 43;
    }
    EXPECT_EQ(run_program([&] {
      if (mode == Mode::kFail) fault_.fail_total_nth(k);
      if (mode == Mode::kHeld) fault_.hold_at(k);
      if (mode == Mode::kAppend) fault_.at_operation(k, append_elsewhere);
    }), 0);
    return mode != Mode::kHeld || fault_.held_refusals() > 0;
  }

  void sweep(Mode mode) {
    const bool ended = mode == Mode::kCrash || mode == Mode::kPowerCut;
    for (const int* p : kPolicies) {
      scenario_ = scenario(p[0] == 0);
      reset_tree(p);
      long started = 0;
      fault_.reset();
      ASSERT_EQ(run_program([&] { started = fault_.total(); }), 0);
      const long operations = fault_.total() - started;
      const std::vector<std::string> want = tree();  // what a run without failures leaves
      ASSERT_GT(operations, 50);
      for (long k = 1; k <= operations && !HasFailure(); ++k) {  // one clear report is enough
        SCOPED_TRACE(testing::Message() << "policy " << p[0] << p[1] << p[2] << " mode " << int(mode) << " at " << k);
        reset_tree(p);
        fault_.reset();
        if (!run_with(mode, k)) continue;
        if (mode == Mode::kAppend) {
          expect_appends_kept();
          continue;
        }
        // A file held by another program cannot be removed: a temporary one may stay.
        if (!ended && mode != Mode::kHeld) {
          EXPECT_EQ(tree(true), tree()) << "a failed run left a temporary file";
        }
        expect_nothing_lost(ended);
        fault_.reset();
        ASSERT_EQ(run_program(), 0);
        EXPECT_EQ(tree(), want) << "a second run did not complete the job";
      }
    }
  }

  Files scenario_;
};

TEST_F(FailureSweep, EveryFailedOperation) { sweep(Mode::kFail); }
TEST_F(FailureSweep, EveryCrashPoint) { sweep(Mode::kCrash); }
// Unflushed data lost at every point: no rewritten file may come back empty.
TEST_F(FailureSweep, EveryPowerCut) { sweep(Mode::kPowerCut); }
// A file held open by another program from every point on: the check before a
// change passes, and the rename, replace or removal then fails.
TEST_F(FailureSweep, EveryHeldFile) { sweep(Mode::kHeld); }
// Another program appending to a log and a favourites file at every point.
TEST_F(FailureSweep, EveryAppendKept) { sweep(Mode::kAppend); }

}  // namespace
}  // namespace vendrit
