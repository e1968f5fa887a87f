// The native program as a user runs it: a second instance refused while the
// first runs, an auto run, and reader trees that are odd but real.
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "tests/test_support.h"

namespace vendrit {
namespace {

namespace fs = std::filesystem;
const std::string kBin = std::string("'") + VENDRIT_BINARY + "'";
const size_t kNone = std::string::npos;

struct Result {
  int code;
  std::string out;  // and what it wrote to stderr
};

// Runs the program in `dir` with no input; 20 seconds at most (a FIFO opened
// for reading would block for ever).
Result run(const std::string& words, const std::string& dir = ".") {
  const std::string out = fs::current_path().string() + "/out.txt";
  const int status = std::system(("cd '" + dir + "' && timeout 20 env LC_ALL=C " + kBin + " " + words +
                                  " </dev/null >'" + out + "' 2>&1").c_str());
  const Result r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_file(out)};
  std::remove(out.c_str());
  return r;
}

const std::string kBoards = "\t" + kNew + "\tnews\tニュース\r\n";

// While a first instance runs a second is refused, saying why, even on another
// root (one instance per user); once the first has left, an auto run moves
// the board and logs the report it printed, its last line complete.
TEST(ConsoleProgram, SecondInstanceRefusedThenAnAutoRunLogged) {
  TempRoot root;
  write_file("2channel.brd", kBoards);
  signal(SIGPIPE, SIG_IGN);  // a failure below must be reported, not kill the test
  // The first instance waits at its prompt once it has printed its summary.
  FILE* first = popen(("exec " + kBin + " >first.txt 2>/dev/null").c_str(), "w");
  for (int i = 0; i < 1000 && std::ifstream("first.txt").peek() == EOF; ++i) usleep(10000);
  write_file("elsewhere\\2channel.brd", "");
  const Result second = run("auto", "elsewhere");
  EXPECT_NE(second.code, 0);
  EXPECT_NE(second.out, "");
  fputs("exit\n", first);
  EXPECT_EQ(pclose(first), 0);
  write_file("log\\" + kOld + "\\news\\1.dat", "thread");
  write_file("vendrit.log", "");
  const Result r = run("AutoRun");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(read_file("log\\" + kNew + "\\news\\1.dat"), "thread");
  const std::string log = read_file("vendrit.log");
  EXPECT_NE(r.out.find(log), kNone);
  EXPECT_NE(log.find(kOld + "->" + kNew), kNone);
  EXPECT_EQ(log.rfind("\r\n"), log.size() - 2);
}

// Each row builds a reader root beside "../outside" (the rest of the disk)
// from ';'-separated steps, '%' standing for the main suffix:
//   F path text       a file, by its Linux name (a backslash is a byte here)
//   I path board      an index naming the old server, which the repair pass would rewrite
//   L target path     a link;  P path  a FIFO;  D path/  a directory
//   C path            a device without end (where the system lets us)
const struct {
  const char* what;
  const char* steps;
} kHostile[] = {
    {"the board list spells the server with capitals",
     "F 2channel.brd \tNew%\tnews\tNews\r\n;F log/New%/news/1.dat capital;"
     "F log/New%/news/1.idx index of capital"},
    {"the new server directory is a link to the old one",
     "F log/old%/news/1.dat self;F log/old%/news/1.idx index of self;L old% log/new%"},
    {"the board list names paths outside the root",
     "F 2channel.brd \t..\\..\\elsewhere%\tnews\tA\r\n\t../../elsewhere%\tnews\tB\r\n\tnew%\t..\tC\r\n"
     "\tnew%\tne\\ws\tD\r\n\tnew%\t.\tE\r\n\tc:new%\tnews\tF\r\n;"
     "F log/old%/news/1.dat stays;F log/old%/news/1.idx index of stays;F log/old%/../2.dat parent;"
     "F log/old%/../2.idx index of parent"},
    {"the old server directory is a link to a directory outside",
     "F ../outside/srv/news/1.dat outside;F ../outside/srv/news/1.idx index of outside;"
     "L ../../outside/srv log/old%"},
    {"empty directories outside, reached through a link", "D ../outside/e/sub/;L ../../outside/e log/lnk"},
    {"the destination board is a link to a directory outside",
     "F log/old%/news/1.dat board;F log/old%/news/1.idx index of board;D ../outside/dst/;"
     "L ../../../outside/dst log/new%/news"},
    {"a board of a server reached through a link needs repair",
     "I ../outside/board/1.idx b2;F ../outside/board/1.dat http://old%/test/read.cgi/b2/1/\n;"
     "L ../../../outside/board log/new%/b2;F vendrit.ini [vendrit]\r\nchangelink=1\r\nchangebbs=1\r\n"},
    {"thread files that are links; a board at home whose log is a link and whose index names the old host",
     "F ../outside/f.dat http://old%/test/read.cgi/news/2/\n;F log/old%/news/1.dat regular;"
     "F log/old%/news/1.idx index of regular;F log/old%/news/3.dat data of a linked index;"
     "L ../../../../outside/f.dat log/old%/news/3.idx;I log/new%/news/2.idx news;"
     "L ../../../../outside/f.dat log/new%/news/2.dat;F vendrit.ini [vendrit]\r\nchangelink=1\r\n"},
    {"FIFOs as index file, log, favourites file, vendrit.log and vendrit.ini",
     "F log/old%/news/3.dat data beside a FIFO index;P log/old%/news/3.idx;I log/new%/news/4.idx news;"
     "P log/new%/news/4.dat;P fav.idx;P vendrit.log;P vendrit.ini"},
    {"FIFOs and a device with no_move on and a copy",
     "F log/old%/news/3.dat data beside a FIFO index;P log/old%/news/3.idx;P log/old%/news/5.dat;"
     "F log/old%/news/5.idx index of a FIFO;C log/old%/news/9.dat;F log/old%/news/9.idx index of a device;"
     "F vendrit.ini [vendrit]\r\nno_move=1\r\ncopyonly=1\r\n"},
    {"links that loop back into the log tree",
     "F log/new%/news/1.dat looped;F log/new%/news/1.idx index of looped;L . log/a;L . log/b;"
     "L .. log/new%/news/up"},
    {"names that differ only in letter case",
     "F log/old%/news/1.dat lower;F log/old%/news/1.idx index of lower;F log/old%/news/1x.dat other;"
     "F log/old%/news/1x.idx index of other;F log/old%/news/1.DAT UPPER;"
     "F log/old%/news/1.IDX index of UPPER;F log/old%/News/7.dat a board twin;"
     "F log/old%/News/7.idx index of a board twin"},
    {"a file name holding a backslash",
     "F log/old%/news/sub/1.dat in the sub-directory;"
     "F log/old%/news/sub/1.idx index of in the sub-directory;"
     "F log/old%/news/sub\\1.dat named with a backslash;F log/old%/news/sub\\1.idx its index;"
     "F log/old%/news/2.dat plain;F log/old%/news/2.idx index of plain;"
     "F log/new%/news/sub/1.dat a larger copy at the destination;"
     "F log/new%/news/sub/1.idx index of a larger copy at the destination"},
    {"log itself is a link to another drive",
     "F ../outside/drive/logs/old%/news/1.dat on the other drive;"
     "F ../outside/drive/logs/old%/news/1.idx index of on the other drive;L ../outside/drive/logs log"},
};

void build(std::string steps) {
  for (size_t at; (at = steps.find('%')) != kNone;) steps.replace(at, 1, kMainSuffix);
  std::istringstream all(steps);
  std::error_code ec;
  for (std::string step, op, a, b; std::getline(all, step, ';');) {
    std::istringstream in(step);
    in >> op >> a;
    std::getline(in.ignore(), b, '\0');
    fs::create_directories(fs::path(op == "L" ? b : a).parent_path(), ec);
    if (op == "F" || op == "I") {
      EXPECT_TRUE(std::ofstream(a, std::ios::binary) << (op == "F" ? b : index_text(Index(0, kOld, b)))) << a;
    }
    if (op == "L") {
      EXPECT_EQ(symlink(a.c_str(), b.c_str()), 0) << b;
    }
    if (op == "P") {
      EXPECT_EQ(mkfifo(a.c_str(), 0600), 0) << a;
    }
    if (op == "C") mknod(a.c_str(), S_IFCHR | 0600, makedev(1, 5));
  }
}

// Files and links below `dir` as "name=bytes" or "name->target", wherever they lie.
std::set<std::string> thread_files(const std::string& dir) {
  std::set<std::string> out;
  for (const std::string& e : snapshot_tree(dir)) {
    const size_t end = std::min(e.find('='), e.find("->"));
    if (end != kNone) out.insert(e.substr(e.rfind('/', end) + 1));
  }
  return out;
}

// The sandbox apart from what a run may change: the log tree (also where it
// lies on another drive) and the root's own files, favourites and vendrit.log.
std::vector<std::string> untouchable() {
  static const std::regex kOwn("^(root/(log/|[^/=]*\\.idx|vendrit\\.log)|outside/drive/)");
  std::vector<std::string> out;
  for (const std::string& e : snapshot_tree(".")) {
    if (!std::regex_search(e, kOwn)) out.push_back(e);
  }
  return out;
}

// An auto run over each tree ends in time with 0, keeps every thread file byte
// for byte somewhere, and changes nothing outside the log tree and the root's own files.
TEST(ConsoleProgram, HostileTreesLoseNothingAndChangeNothingOutside) {
  for (const auto& row : kHostile) {
    SCOPED_TRACE(row.what);
    TempRoot sandbox;
    make_dirs("outside");
    write_file("root\\2channel.brd", kBoards);
    enter_dir("root");
    build(row.steps);
    enter_dir("..");
    if (HasFailure()) return;
    const auto threads = thread_files("root/log");
    const auto outside = untouchable();
    const Result r = run("auto", "root");
    EXPECT_EQ(r.code, 0) << r.out;
    for (const std::string& t : threads) EXPECT_EQ(thread_files("root/log").count(t), 1u) << "lost: " << t << "\n" << r.out;
    EXPECT_EQ(untouchable(), outside) << r.out;
  }
}

}  // namespace
}  // namespace vendrit
