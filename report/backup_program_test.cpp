#include "report/backup_program.h"

#include "state/run_settings.h"
#include "tests/test_support.h"

namespace vendrit {
namespace {

class BackupProgramTest : public RootTest {
 protected:
  std::string cwd() {
    char buf[kPathSize];
    fault_.current_dir(buf, sizeof buf);
    return buf;
  }
};

TEST_F(BackupProgramTest, WorkingDirectoryIsCutAtTheLastBackslash) {
  struct Row {
    const char* prog;
    std::string dir;
  } rows[] = {
      {"C:\\tools\\bk.exe", "C:\\tools"},
      {"C:\\tools\\bk.exe /to D:\\save", "C:\\tools\\bk.exe /to D:"},  // arguments count too
      {"bk.exe", g_start_dir},                                        // no directory part
  };
  for (const Row& r : rows) {
    copy_text(g_settings.backupprog, sizeof g_settings.backupprog, r.prog);
    fault_.processes.clear();
    run_backup_program();
    ASSERT_EQ(fault_.processes.size(), 1u);
    EXPECT_EQ(fault_.processes[0].first, r.prog);
    EXPECT_EQ(fault_.processes[0].second, r.dir);
    EXPECT_EQ(cwd(), root_->path());  // the start directory again
  }
}

TEST_F(BackupProgramTest, EmptyCommandFailsAtOnce) {
  EXPECT_EQ(run_backup_program(), -1);
  EXPECT_TRUE(fault_.processes.empty());
}

#ifndef _WIN32
// Runs a real program through the shell (the Windows side is covered by the
// end-to-end tests with a fake backup program).
TEST_F(BackupProgramTest, RunsWaitsAndConfirms) {
  make_dirs("tools");
  write_file("tools\\rec.sh", "sleep 0.2; pwd > \"$1\"\n");
  std::string prog = "sh " + root_->path() + "/tools/rec.sh " + root_->path() + "/where.txt";
  copy_text(g_settings.backupprog, sizeof g_settings.backupprog, prog.c_str());
  g_settings.wait = 1;
  EXPECT_EQ(run_backup_program(), 0);
  EXPECT_EQ(read_file("where.txt"), root_->path() + "\n");  // finished before we went on
  EXPECT_EQ(ui_->informations, std::vector<std::string>{"処理を続行します"});
}

#endif

TEST_F(BackupProgramTest, ProgramThatCannotStartFails) {
  copy_text(g_settings.backupprog, sizeof g_settings.backupprog, "no-such-program-here");
  g_settings.wait = 1;
  EXPECT_EQ(run_backup_program(), -1);
  EXPECT_TRUE(ui_->informations.empty());
  EXPECT_EQ(cwd(), root_->path());
}

}  // namespace
}  // namespace vendrit
