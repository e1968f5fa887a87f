// Whole runs meeting one kind of fault at every file operation in turn, under
// each collision policy: nothing may be lost or half-written, another
// program's changes stay, and one more run must leave what a run without the
// fault leaves.
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <set>

#include "app/run_sequence.h"
#include "app/startup.h"
#include "platform/safe_replace.h"
#include "tests/test_support.h"

namespace vendrit {
namespace {

const std::string kAppended = "appended by another program\r\n", kTitle = "\tスレ\t", kRetitled = "\t新スレ\t";
const size_t kNone = std::string::npos;
using Files = std::map<std::string, std::string>;
using Names = std::set<std::string>;

const char* const kPolicies[] = {
    "copyonly=0\r\ncopylarge=0\r\nno_move=0", "copyonly=0\r\ncopylarge=1\r\nno_move=0",
    "copyonly=1\r\ncopylarge=0\r\nno_move=0", "copyonly=1\r\ncopylarge=1\r\nno_move=0",
    "copyonly=0\r\ncopylarge=0\r\nno_move=1", "copyonly=1\r\ncopylarge=1\r\nno_move=1",
};

// Five threads; the favourites name threads 1, 3 and 5, and `doubled` (not with
// copyonly, where every run follows them again) names them twice: only the
// first entry of each may move.
Files scenario(bool doubled) {
  const std::string pink_old = sister("p1"), pink_new = sister("p2");
  Files files;
  auto thread = [&](const std::string& server, const std::string& board, int n, int lines, int flags) {
    const std::string path = "log\\" + server + "\\" + board + "\\" + std::to_string(n);
    files[path + ".dat"] = log_text(server, board, lines);
    files[path + ".idx"] = index_text(Index(flags, server, board));
  };
  thread(kOld, "news", 1, 3, 0x60);  // fresh
  thread(kOld, "news", 2, 2, 0);     // a larger copy there
  thread(kNew, "news", 2, 6, 0);
  thread(kOld, "news", 3, 8, 0);     // a smaller copy there
  thread(kNew, "news", 3, 1, 0);
  thread(kOld, "news", 4, 2, 0x70);  // dropped
  thread(pink_old, "pink", 5, 4, 0);  // the other family
  files["fav.idx"] = kOld + "\\news\\1.idx\r\n" + kOld + "\\news\\3.idx\r\n";
  if (doubled) files["fav.idx"] += files["fav.idx"];
  files["fav2.idx"] = pink_old + "\\pink\\5.idx\r\n";
  files["2channel.brd"] = "\t" + kNew + "\tnews\tニュース\r\n\t" + pink_new + "\tpink\t桃\r\n";
  return files;
}

// Another program appends to thread 1's log and to a favourites file, and gives
// thread 1's index a new title, wherever the thread is.
void write_elsewhere() {
  for (const std::string& server : {kOld, kNew}) {
    const std::string thread = "log\\" + server + "\\news\\1";
    std::string index = read_file(thread + ".idx");
    const size_t title = index.find(kTitle);
    if (file_exists(thread + ".dat")) write_file(thread + ".dat", read_file(thread + ".dat") + kAppended);
    if (title != kNone) write_file(thread + ".idx", index.replace(title, kTitle.size(), kRetitled));
  }
  write_file("fav2.idx", read_file("fav2.idx") + kAppended);
}

// The kinds of fault; those from kCrash on end the process there, maybe between
// a move's two steps.
enum Kind { kFail, kHeldFile, kWriteElsewhere, kCrash, kPowerCut };
const char* const kKindNames[] = {"Fail", "HeldFile", "WriteElsewhere", "Crash", "PowerCut"};
const char* const kOpNames[] = {"open", "read", "write", "sync", "close", "rename", "remove", "mkdir", "rmdir", "list", "stat"};

// The tree below the root by path ('/' between names, a directory's ending in
// one), without vendrit.ini and, unless asked for, temporary files.
Files tree(bool temporaries = false) {
  Files out;
  for (const std::string& e : snapshot_tree(".")) {
    const size_t eq = e.find('=');
    const std::string path = e.substr(0, eq);
    if (path != "vendrit.ini" && (temporaries || !is_leftover_temporary(path.substr(path.rfind('/') + 1).c_str()))) {
      out[path] = eq == kNone ? "" : e.substr(eq + 1);
    }
  }
  return out;
}

class FailureSweep : public RootTest, public testing::WithParamInterface<int> {
 protected:
  // One automatic run in-process; `before` sees every operation after start-up.
  int run_program(std::function<bool(FaultOp, const std::string&)> before = nullptr) {
    ui_->on_main_window = [&] {
      fault_.before = before;
      run_sequence(run_);
    };
    return vendrit_main("auto", ui_, &run_);
  }

  void reset_tree(const std::string& policy) {
    root_.reset();
    root_.reset(new TempRoot);
    for (const auto& f : scenario_) write_file(f.first, f.second);
    write_file("vendrit.ini", "[vendrit]\r\n" + policy + "\r\n");
    fault_.reset();
  }

  // A run with the fault before its k-th operation (failing it, for kFail);
  // false where the point is skipped as changing nothing another point does not
  // cover: a power cut that finds nothing unflushed (the child exits with 1) is
  // a crash, and a held file never refused a plain run.  A fault that ends the
  // process meets it in a child.
  bool run_with_fault(long k) {
    long n = 0;
    const auto before = [&](FaultOp, const std::string& path) {
      if (++n != k) return false;
      if (GetParam() == kCrash) _exit(0);
      if (GetParam() == kPowerCut) _exit(!fault_.cut_power());
      if (GetParam() == kHeldFile) fault_.hold(path);
      if (GetParam() == kWriteElsewhere) write_elsewhere();
      return GetParam() == kFail;
    };
    if (GetParam() < kCrash) {
      EXPECT_EQ(run_program(before), 0);
      return GetParam() != kHeldFile || fault_.held_refusals > 0;
    }
    const pid_t child = fork();
    if (child == 0) {
      run_program(before);
      _exit(2);  // the fault never came
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status)) << "the run died";
    EXPECT_LE(WEXITSTATUS(status), 1) << "the run did not meet the fault";
    return status == 0;
  }

  // Another program's changes kept.  Else: no temporary file left by a failed
  // run; every thread file whole, as it was or as a clean run leaves it; every
  // favourites entry unchanged or naming a file that exists; then one more run
  // leaves `want`, which also tells that nothing was lost.
  void expect_nothing_lost(const Files& want) {
    if (GetParam() == kWriteElsewhere) {
      Names changed;
      for (const auto& f : tree()) {
        const bool other = f.second.find(kAppended) != kNone || f.second.find(kRetitled) != kNone;
        if (other) changed.insert(f.first.substr(f.first.rfind('/') + 1));
      }
      EXPECT_EQ(changed, (Names{"1.dat", "1.idx", "fav2.idx"}));
      return;
    }
    if (GetParam() == kFail) {
      EXPECT_EQ(tree(true), tree()) << "a failed run left a temporary file";
    }
    Names whole;
    for (const auto& f : scenario_) whole.insert(f.second);
    for (const auto& f : want) whole.insert(f.second);
    for (const auto& f : tree()) {
      if (f.first.rfind("log/", 0) == 0 && f.first.back() != '/') {
        EXPECT_EQ(whole.count(f.second), 1u) << "half-written " << f.first;
      }
    }
    for (const char* fav : {"fav.idx", "fav2.idx"}) {
      const std::string text = read_file(fav);
      for (size_t start = 0, end; (end = text.find("\r\n", start)) != kNone; start = end + 2) {
        const std::string entry = text.substr(start, end - start);
        EXPECT_TRUE(scenario_[fav].find(entry) != kNone || file_exists("log\\" + entry)) << fav << ": " << entry;
      }
    }
    fault_.reset();
    ASSERT_EQ(run_program(), 0);
    EXPECT_EQ(tree(), want) << "one more run did not finish the job";
  }

  Files scenario_;
};

TEST_P(FailureSweep, AtEveryOperation) {
  for (const std::string policy : kPolicies) {
    scenario_ = scenario(policy.find("copyonly=0") != kNone);
    reset_tree(policy);
    std::vector<std::pair<FaultOp, std::string>> operations;
    ASSERT_EQ(run_program([&](FaultOp op, const std::string& path) {
      operations.push_back({op, path});
      return false;
    }), 0);
    const Files want = tree();  // what a run without the fault leaves
    ASSERT_GT(operations.size(), 50u);
    for (size_t k = 1; k <= operations.size() && !HasFailure(); ++k) {  // one clear report is enough
      // Points that leave what another point leaves: the process ending after a read, a stat or a
      // listing (one operation earlier), a file held from a read, write or close on (from its opening).
      const FaultOp last = k > 1 ? operations[k - 2].first : FaultOp::kCount;
      const auto& [op, path] = operations[k - 1];
      if (GetParam() >= kCrash && (last == FaultOp::kRead || last == FaultOp::kStat || last == FaultOp::kList)) continue;
      if (GetParam() == kHeldFile && (op == FaultOp::kRead || op == FaultOp::kWrite || op == FaultOp::kClose)) continue;
      SCOPED_TRACE(testing::Message() << policy << "\n" << kKindNames[GetParam()] << " at " << k << ": " << kOpNames[int(op)] << " " << path);
      reset_tree(policy);
      if (run_with_fault(k)) expect_nothing_lost(want);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, FailureSweep, testing::Range(0, 5),
                         [](const testing::TestParamInfo<int>& kind) { return kKindNames[kind.param]; });

}  // namespace
}  // namespace vendrit
