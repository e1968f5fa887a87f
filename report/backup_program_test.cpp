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

// The program starts in everything before the last backslash of the whole
// text, and the start directory is current again afterwards.
TEST_F(BackupProgramTest, WorkingDirectoryIsCutAtTheLastBackslash) {
  make_dirs("tools");
  const std::pair<const char*, std::string> rows[] = {
      {"", ""},                                                // nothing to start
      {"C:\\tools\\bk.exe", "C:\\tools"},
      {"C:\\tools\\bk.exe /to D:\\save", "C:\\tools\\bk.exe /to D:"},  // arguments count too
      {"bk.exe", g_start_dir},                                 // no directory part
      {"tools\\none.exe", "tools"},                            // a directory that exists
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.first);
    copy_text(g_settings.backupprog, sizeof g_settings.backupprog, r.first);
    fault_.processes.clear();
    int result = run_backup_program();
    if (*r.first) {
      ASSERT_EQ(fault_.processes.size(), 1u);
      EXPECT_EQ(fault_.processes[0].first, r.first);
      EXPECT_EQ(fault_.processes[0].second, r.second);
    } else {
      EXPECT_EQ(result, -1);
      EXPECT_TRUE(fault_.processes.empty());
    }
    EXPECT_EQ(cwd(), root_->path());
  }
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

}  // namespace
}  // namespace vendrit
