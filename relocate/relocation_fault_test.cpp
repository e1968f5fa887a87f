// Fails every file operation of a relocation run in turn, under every
// collision policy, and checks that nothing the policy keeps is lost and no
// favourites file is cut.
#include <cstring>
#include <string>
#include <vector>

#include "app/run_settings.h"
#include "catalogue/catalogue.h"
#include "platform/env.h"
#include "platform/text.h"
#include "relocate/walk_log_tree.h"
#include "tests/test_support.h"
#include "vendrit_config.h"

namespace vendrit {
namespace {

const std::string kOld = std::string("old") + kMainSuffix;
const std::string kNew = std::string("new") + kMainSuffix;

std::string index_text(const std::string& tag) {
  std::string s = "1\t0";
  for (int i = 2; i < 21; ++i) s += "\t" + (i == 3 ? tag : std::string());
  return s + "\r\n";
}

struct SeedFile {
  std::string board, name;
  bool at_source;      // else at the destination
  std::string data;
  bool with_index;
};

// Thread logs grow by appending, so a larger copy begins with the smaller one.
const std::vector<SeedFile> kSeed = {
    {"news", "1", true, "one", true},                               // no collision
    {"news", "2", true, "two two", true},                           // destination empty
    {"news", "2", false, "", true},
    {"news", "3", true, "three three three", true},                 // destination smaller
    {"news", "3", false, "three", true},
    {"news", "4", true, "four", true},                              // destination larger
    {"news", "4", false, "four four four", true},
    {"news", "5", true, "five, without an index", false},
    {"tech", "6", true, "six", true},
};

std::string dir_of(const SeedFile& f, bool source) {
  return "log\\" + (source ? kOld : kNew) + "\\" + f.board;
}

const std::string kFavourites =
    "head\r\n" + kOld + "\\news\\1.idx\r\n" + kOld + "\\news\\2.idx\r\n" + kOld +
    "\\news\\3.idx\r\n" + kOld + "\\news\\4.idx\r\n" + kOld + "\\news\\5.idx\r\n" + kOld +
    "\\tech\\6.idx\r\ntail";

void seed() {
  for (const SeedFile& f : kSeed) {
    std::string dir = dir_of(f, f.at_source);
    make_dirs(dir);
    write_file(dir + "\\" + f.name + ".dat", f.data);
    if (f.with_index) write_file(dir + "\\" + f.name + ".idx", index_text(f.name + f.data));
  }
  write_file("fav.idx", kFavourites);
  write_file("other.idx", kOld + "\\news\\3.idx");
}

bool starts_with(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

// Where an original data file's bytes are now: a data file of its thread (at
// the source or the destination) that begins with them and has an index
// beside it when the original had one.
bool kept(const SeedFile& f) {
  for (bool source : {true, false}) {
    std::string base = dir_of(f, source) + "\\" + f.name;
    if (!file_exists(base + ".dat") || !starts_with(read_file(base + ".dat"), f.data)) continue;
    if (!f.with_index || file_exists(base + ".idx")) return true;
  }
  return false;
}

std::string replace_all(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) {
    s.replace(at, from.size(), to);
  }
  return s;
}

struct Policy {
  int copyonly, copylarge, no_move;
};

void PrintTo(const Policy& p, std::ostream* os) {
  *os << "copyonly=" << p.copyonly << " copylarge=" << p.copylarge << " no_move=" << p.no_move;
}

class RelocationFaultTest : public RootTest, public ::testing::WithParamInterface<Policy> {
 protected:
  // Runs one relocation in a fresh tree under `dir` (which becomes current
  // until leave()); `arm` sets the fault.  Records how often each operation
  // was used.
  void run(const std::string& dir, const std::function<void()>& arm) {
    make_dirs(dir);
    EXPECT_TRUE(platform_env()->set_current_dir(dir.c_str()));
    seed();
    fault_.reset();
    arm();
    walk_log_tree("log");
    for (int i = 0; i < static_cast<int>(FaultOp::kCount); ++i) {
      counts_[i] = fault_.count(static_cast<FaultOp>(i));
    }
    fault_.reset();
  }
  void leave() { ASSERT_TRUE(platform_env()->set_current_dir("..")); }

  int counts_[static_cast<int>(FaultOp::kCount)] = {};
};

TEST_P(RelocationFaultTest, NoFailureLosesAThreadOrCutsAFavouritesFile) {
  add_board(kNew.c_str(), "news");
  add_board(kNew.c_str(), "tech");
  copy_text(g_favourites[0], kPathSize, "fav.idx");
  copy_text(g_favourites[1], kPathSize, "other.idx");
  g_favourite_count = 2;
  g_settings.copyonly = GetParam().copyonly;
  g_settings.copylarge = GetParam().copylarge;
  g_settings.no_move = GetParam().no_move;
  const FaultOp ops[] = {FaultOp::kOpen,   FaultOp::kRead,   FaultOp::kWrite, FaultOp::kClose,
                         FaultOp::kRename, FaultOp::kRemove, FaultOp::kMkdir, FaultOp::kStat};

  // The run without faults: what the policy keeps, and how often each
  // operation is used.
  run("clean", [] {});
  std::vector<bool> survives;
  for (const SeedFile& f : kSeed) survives.push_back(kept(f));
  EXPECT_TRUE(survives[0] && survives[7]);
  leave();
  int counts[static_cast<int>(FaultOp::kCount)];
  memcpy(counts, counts_, sizeof counts);

  for (FaultOp op : ops) {
    const int total = counts[static_cast<int>(op)];
    EXPECT_GT(total, 0) << fault_op_name(op);
    for (int n = 1; n <= total + 1; ++n) {
      std::string dir = std::string(fault_op_name(op)) + "-" + std::to_string(n);
      SCOPED_TRACE(dir);
      run(dir, [&] { fault_.fail_nth(op, n); });
      for (size_t i = 0; i < kSeed.size(); ++i) {
        if (survives[i]) {
          EXPECT_TRUE(kept(kSeed[i])) << kSeed[i].board << "\\" << kSeed[i].name << ".dat "
                                      << (kSeed[i].at_source ? "source" : "destination");
        }
      }
      // Favourites: whole, and every rewritten entry names a thread that is there.
      std::string fav = read_file("fav.idx");
      EXPECT_EQ(replace_all(fav, kNew, kOld), kFavourites);
      EXPECT_EQ(replace_all(read_file("other.idx"), kNew, kOld), kOld + "\\news\\3.idx");
      for (const SeedFile& f : kSeed) {
        if (fav.find(kNew + "\\" + f.board + "\\" + f.name + ".idx") != std::string::npos) {
          EXPECT_TRUE(file_exists(dir_of(f, false) + "\\" + f.name + ".dat"))
              << "favourite names a missing thread " << f.name;
        }
      }
      leave();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Policies, RelocationFaultTest,
                         ::testing::Values(Policy{0, 0, 0}, Policy{0, 1, 0}, Policy{1, 0, 0},
                                           Policy{1, 1, 0}, Policy{0, 1, 1}),
                         [](const ::testing::TestParamInfo<Policy>& info) {
                           const Policy& p = info.param;
                           return std::string(p.copyonly ? "copy" : "move") +
                                  (p.copylarge ? "_large" : "") + (p.no_move ? "_nomove" : "");
                         });

}  // namespace
}  // namespace vendrit
