// Reader directories that are odd but real: links and junctions, special
// files, names that differ only in case or hold a backslash, and a board
// list (downloaded from the network) that names paths outside the root.
// Each row builds such a tree beside a directory standing for the rest of
// the disk, runs the native program once with `auto`, and checks one
// invariant: the run ended in time with exit code 0, every thread file is
// still there byte for byte (at its source or its destination), and nothing
// outside the log tree and the root's own files changed.
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <tuple>

#include "tests/test_support.h"
#include "vendrit_config.h"

namespace vendrit {
namespace {

namespace fs = std::filesystem;

const std::string kOld = std::string("old") + kMainSuffix;
const std::string kNew = std::string("new") + kMainSuffix;
const std::string kBoardList = "\t" + kNew + "\tnews\tニュース\r\n";
// No run may take longer; a FIFO opened for reading would block for ever.
constexpr int kSecondsAllowed = 20;

void dirs(const std::string& path) {
  std::error_code ec;
  fs::create_directories(path, ec);
}
void link_to(const std::string& target, const std::string& path) {
  dirs(fs::path(path).parent_path());
  ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0) << path;
}
void fifo(const std::string& path) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0) << path; }
// Files by their Linux names: a backslash is a byte here.
void put(const std::string& path, const std::string& bytes) {
  dirs(fs::path(path).parent_path());
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
}
// An index file naming the old host, which the repair pass would rewrite.
std::string old_index(const char* board) { return index_text(Index(0, kOld, board)); }

// A thread whose files carry nothing the repair pass would change: an index
// file it cannot use and a log without links.
void thread(const std::string& dir, const std::string& stem, const std::string& bytes) {
  put(dir + "/" + stem + ".dat", bytes);
  put(dir + "/" + stem + ".idx", "index of " + bytes);
}

struct Row {
  const char* what;
  std::function<void()> build;  // in the root; "../outside" is the rest of the disk
  const char* ini = nullptr;              // vendrit.ini, or null
  const char* changed_outside = nullptr;  // a part of the outside the run may change, or null
};

const Row kRows[] = {
    {"the board list spells the server with capitals", [] {
       put("2channel.brd", "\tNew" + std::string(kMainSuffix) + "\tnews\tNews\r\n");
       thread("log/New" + std::string(kMainSuffix) + "/news", "1", "capital");
     }},
    {"the new server directory is a link to the old one", [] {
       thread("log/" + kOld + "/news", "1", "self");
       link_to(kOld, "log/" + kNew);
     }},
    {"the board list names paths outside the root", [] {
       put("2channel.brd", "\t..\\..\\elsewhere" + std::string(kMainSuffix) + "\tnews\tA\r\n\t../../elsewhere" +
                               kMainSuffix + "\tnews\tB\r\n\t" + kNew + "\t..\tC\r\n\t" + kNew + "\tne\\ws\tD\r\n\t" +
                               kNew + "\t.\tE\r\n\tc:" + kNew + "\tnews\tF\r\n");
       thread("log/" + kOld + "/news", "1", "stays");
       thread("log/" + kOld + "/..", "2", "parent");
     }},
    {"the old server directory is a link to a directory outside", [] {
       thread("../outside/srv/news", "1", "outside");
       dirs("log");
       link_to("../../outside/srv", "log/" + kOld);
     }},
    {"empty directories outside, reached through a link", [] {
       dirs("../outside/e/sub");
       dirs("log");
       link_to("../../outside/e", "log/lnk");
     }},
    {"the destination board is a link to a directory outside", [] {
       thread("log/" + kOld + "/news", "1", "board");
       dirs("../outside/dst");
       link_to("../../../outside/dst", "log/" + kNew + "/news");
     }},
    {"a board of a server reached through a link needs repair", [] {
       put("../outside/board/1.idx", old_index("b2"));
       put("../outside/board/1.dat", "http://" + kOld + "/test/read.cgi/b2/1/\n");
       link_to("../../../outside/board", "log/" + kNew + "/b2");
     },
     "[vendrit]\r\nchangelink=1\r\nchangebbs=1\r\n"},
    {"thread files that are links", [] {
       put("../outside/f.dat", "http://" + kOld + "/test/read.cgi/news/2/\n");
       thread("log/" + kOld + "/news", "1", "regular");
       put("log/" + kOld + "/news/3.dat", "data of a linked index");
       link_to("../../../../outside/f.dat", "log/" + kOld + "/news/3.idx");
       // A board at home whose log is a link and whose index names the old host.
       put("log/" + kNew + "/news/2.idx", old_index("news"));
       link_to("../../../../outside/f.dat", "log/" + kNew + "/news/2.dat");
     },
     "[vendrit]\r\nchangelink=1\r\n"},
    {"FIFOs as index file, log, favourites file and vendrit.log", [] {
       dirs("log/" + kOld + "/news");
       put("log/" + kOld + "/news/3.dat", "data beside a FIFO index");
       fifo("log/" + kOld + "/news/3.idx");
       dirs("log/" + kNew + "/news");
       put("log/" + kNew + "/news/4.idx", old_index("news"));
       fifo("log/" + kNew + "/news/4.dat");
       fifo("fav.idx");
       fifo("vendrit.log");
       fifo("vendrit.ini");
     }},
    {"FIFOs with no_move on and a copy", [] {
       dirs("log/" + kOld + "/news");
       put("log/" + kOld + "/news/3.dat", "data beside a FIFO index");
       fifo("log/" + kOld + "/news/3.idx");
       fifo("log/" + kOld + "/news/5.dat");
       put("log/" + kOld + "/news/5.idx", "index of a FIFO");
       // A device without end, where the system lets us make one.
       if (mknod(("log/" + kOld + "/news/9.dat").c_str(), S_IFCHR | 0600, makedev(1, 5)) == 0) {
         put("log/" + kOld + "/news/9.idx", "index of a device");
       }
     },
     "[vendrit]\r\nno_move=1\r\ncopyonly=1\r\n"},
    {"links that loop back into the log tree", [] {
       thread("log/" + kNew + "/news", "1", "looped");
       link_to(".", "log/a");
       link_to(".", "log/b");
       link_to("..", "log/" + kNew + "/news/up");
     }},
    {"names that differ only in letter case", [] {
       thread("log/" + kOld + "/news", "1", "lower");
       thread("log/" + kOld + "/news", "1x", "other");
       put("log/" + kOld + "/news/1.DAT", "UPPER");
       put("log/" + kOld + "/news/1.IDX", "index of UPPER");
       thread("log/" + kOld + "/News", "7", "a board twin");
     }},
    {"a file name holding a backslash", [] {
       thread("log/" + kOld + "/news/sub", "1", "in the sub-directory");
       put("log/" + kOld + "/news/sub\\1.dat", "named with a backslash");
       put("log/" + kOld + "/news/sub\\1.idx", "its index");
       thread("log/" + kOld + "/news", "2", "plain");
       thread("log/" + kNew + "/news/sub", "1", "a larger copy at the destination");
     }},
    {"log itself is a link to another drive", [] {
       thread("../outside/drive/logs/" + kOld + "/news", "1", "on the other drive");
       link_to("../outside/drive/logs", "log");
     },
     nullptr, "drive/"},
};

// Every regular file and link below `dir` (links not followed) as (board
// directory, lower-cased name, bytes or "->" and the link's target).
std::set<std::tuple<std::string, std::string, std::string>> thread_files(const std::string& dir) {
  std::set<std::tuple<std::string, std::string, std::string>> out;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dir, ec); it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    const fs::file_type type = it->symlink_status(ec).type();
    if (type != fs::file_type::regular && type != fs::file_type::symlink) continue;
    std::string name = it->path().filename().string(), board = it->path().parent_path().filename();
    for (std::string* s : {&name, &board}) {
      for (char& c : *s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    out.insert({board, name,
                type == fs::file_type::symlink ? "->" + fs::read_symlink(it->path(), ec).string()
                                               : read_file(it->path().string())});
  }
  return out;
}

// The sandbox apart from the log tree and the root's own files.
std::vector<std::string> untouchable(const char* changed_outside) {
  std::vector<std::string> out;
  for (const std::string& e : snapshot_tree(".")) {
    if (e.rfind("root/log/", 0) == 0 || e.rfind("root/stdout.txt", 0) == 0) continue;
    if (changed_outside && e.rfind(std::string("outside/") + changed_outside, 0) == 0) continue;
    bool own = e.rfind("root/", 0) == 0 && e.find('/', 5) == std::string::npos &&
               (e.find(".idx") != std::string::npos || e.rfind("root/vendrit.log", 0) == 0);
    if (!own) out.push_back(e);
  }
  return out;
}

TEST(HostileTree, NothingIsLostAndNothingOutsideChanges) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.what);
    TempRoot sandbox;
    dirs("root");
    dirs("outside");
    ASSERT_EQ(chdir("root"), 0);
    put("2channel.brd", kBoardList);
    if (row.ini) put("vendrit.ini", row.ini);
    row.build();
    if (::testing::Test::HasFatalFailure()) return;
    ASSERT_EQ(chdir(".."), 0);
    const auto threads = thread_files("root/log");
    const auto outside = untouchable(row.changed_outside);

    std::string cmd = "cd root && timeout " + std::to_string(kSecondsAllowed) + " '" +
                      VENDRIT_BINARY + "' auto </dev/null >stdout.txt 2>&1";
    int status = std::system(cmd.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "exit status " << status << "\n" << read_file("root/stdout.txt");

    const auto after = thread_files("root/log");
    for (const auto& t : threads) {
      EXPECT_EQ(after.count(t), 1u) << "lost: " << std::get<0>(t) << "/" << std::get<1>(t) << " "
                                    << std::get<2>(t) << "\n" << read_file("root/stdout.txt");
    }
    EXPECT_EQ(untouchable(row.changed_outside), outside) << read_file("root/stdout.txt");
  }
}

}  // namespace
}  // namespace vendrit
