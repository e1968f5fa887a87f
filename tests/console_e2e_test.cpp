// The native program as a user runs it: its exit codes, what it prints, the
// refusal of a second instance, and the files it leaves.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/test_support.h"
#include "vendrit_config.h"

namespace vendrit {
namespace {

struct Result {
  int code;
  std::string out, err;
};


// Runs the program in the current directory with `input` on standard input,
// as this user or, through `as`, as another.
Result run(const std::string& words, const std::string& input = "", const std::string& as = "") {
  write_file("stdin.txt", input);
  std::string cmd = as + std::string(" env LC_ALL=C '") + VENDRIT_BINARY + "' " + words +
                    " <stdin.txt >stdout.txt 2>stderr.txt";
  int status = std::system(cmd.c_str());
  Result r{WIFEXITED(status) ? WEXITSTATUS(status) : -1000, read_file("stdout.txt"),
           read_file("stderr.txt")};
  for (const char* f : {"stdin.txt", "stdout.txt", "stderr.txt"}) std::remove(f);
  return r;
}

std::string host(const char* name) { return std::string(name) + kMainSuffix; }

class ConsoleProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::make_unique<TempRoot>();
    write_file("2channel.brd", "\t" + host("new") + "\tnews\tニュース\r\n");
  }
  std::unique_ptr<TempRoot> root_;
};

TEST_F(ConsoleProgram, GoRunsAndExitLeaves) {
  Result r = run("", "go\ngo\nexit\n");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out.rfind("処理除外鯖はありません", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("開始します", r.out.find("開始します") + 1), std::string::npos);  // two runs
}

TEST_F(ConsoleProgram, AutoMovesABoardAndLogsTheFirstRun) {
  make_dirs("log\\" + host("old") + "\\news");
  write_file("log\\" + host("old") + "\\news\\1.dat", "thread");
  write_file("vendrit.log", "");
  Result r = run("AutoRun");
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("\r\n終了しました"), std::string::npos);
  EXPECT_EQ(read_file("log\\" + host("new") + "\\news\\1.dat"), "thread");
  std::string log = read_file("vendrit.log");
  EXPECT_EQ(log.rfind("\r\n========== ", 0), 0u);
  EXPECT_NE(log.find("\r\nBBS:news  " + host("old") + "->" + host("new") + "\r\n"),
            std::string::npos);
  EXPECT_EQ(log.substr(log.size() - 2), "\r\n");
}

TEST_F(ConsoleProgram, SettingsAreSavedOnOkOnly) {
  EXPECT_EQ(run("setup", "4\ncancel\n").code, 0);
  EXPECT_FALSE(file_exists("vendrit.ini"));
  EXPECT_EQ(run("", "settings\n4\nok\nexit\n").code, 0);
  EXPECT_NE(read_file("vendrit.ini").find("changebbs=1\r\n"), std::string::npos);
  Result r = run("setup large", "ok\n");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "");  // settings mode opens no main window
  EXPECT_NE(read_file("vendrit.ini").find("copylarge=1\r\n"), std::string::npos);
}

TEST_F(ConsoleProgram, RefusalsExitWithMinusOne) {
  std::remove("2channel.brd");
  Result r = run("auto");
  EXPECT_EQ(r.code, 255);
  EXPECT_EQ(r.err, "2channel.brdがありません\n");
  EXPECT_EQ(r.out, "");
}

TEST_F(ConsoleProgram, SecondInstanceIsRefusedWhileTheFirstRuns) {
  signal(SIGPIPE, SIG_IGN);  // a failure below must be reported, not kill the test
  // The first instance waits at its prompt on a pipe that stays open; its
  // summary on standard output says it holds the marker.
  int in[2], out[2];
  ASSERT_EQ(pipe(in), 0);
  ASSERT_EQ(pipe(out), 0);
  pid_t first = fork();
  if (first == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    close(in[1]);
    close(out[0]);
    freopen("/dev/null", "w", stderr);
    execl(VENDRIT_BINARY, VENDRIT_BINARY, static_cast<char*>(nullptr));
    _exit(99);
  }
  close(in[0]);
  close(out[1]);
  struct pollfd ready = {out[0], POLLIN, 0};
  ASSERT_EQ(poll(&ready, 1, 10000), 1) << "the first instance did not start";
  char summary[64];
  ASSERT_GT(read(out[0], summary, sizeof summary), 0);

  Result second = run("auto");
  EXPECT_EQ(second.code, 255);
  EXPECT_EQ(second.err, "Vendritの多重起動は出来ません\n");
  EXPECT_FALSE(file_exists("vendrit.log"));
  if (geteuid() == 0) {
    // Another user's instance is refused on this root, and only on it.
    const std::string nobody = "setpriv --reuid=65534 --regid=65534 --clear-groups";
    Result other = run("auto", "", nobody);
    EXPECT_EQ(other.code, 255);
    EXPECT_EQ(other.err, "Vendritの多重起動は出来ません\n");
    make_dirs("elsewhere");
    write_file("elsewhere\\2channel.brd", "");
    std::string cmd = "cd elsewhere && " + nobody + " '" + VENDRIT_BINARY +
                      "' auto </dev/null >/dev/null 2>&1";
    int status = std::system(cmd.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  // The first instance goes on undisturbed and leaves normally.
  EXPECT_EQ(write(in[1], "exit\n", 5), 5);
  close(in[1]);
  int status = 0;
  waitpid(first, &status, 0);
  close(out[0]);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  // Once it has ended, a new start is allowed again.
  EXPECT_EQ(run("").code, 0);
}

}  // namespace
}  // namespace vendrit
