#include "report/backup_program.h"

#include "tests/test_support.h"

namespace vendrit {
namespace {

class BackupProgramTest : public RootTest {};

// The program starts in everything before the last backslash of the whole
// text, or of a quoted program's path (without one, in the root), an empty
// command starts nothing, and the run is waited for and then confirmed.
TEST_F(BackupProgramTest, WorkingDirectoryWaitAndConfirmation) {
  make_dirs("tools");
  write_file("rec.sh", "sleep 0.2; pwd > where.txt\n");
  settings_.wait = 1;
  const std::pair<const char*, std::string> rows[] = {
      {"", ""},
      {"C:\\tools\\bk.exe", "C:\\tools"},
      {"C:\\tools\\bk.exe /to D:\\save", "C:\\tools\\bk.exe /to D:"},  // arguments count too
      {"\"C:\\Program Files\\bk.exe\" /to D:\\save", "C:\\Program Files"},  // but not after a quoted program
      {"\"bk.exe\" /to D:\\save", ""},
      {"sh rec.sh", ""},                                               // no directory part: the root
      {"tools\\none.exe", "tools"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.first);
    copy_text(settings_.backupprog, kPathSize, r.first);
    fault_.processes.clear();
    run_backup_program(env_, *ui_, settings_);
    using Runs = std::vector<std::pair<std::string, std::string>>;
    const Runs want = *r.first ? Runs{{r.first, r.second}} : Runs{};
    EXPECT_EQ(fault_.processes, want);
  }
#ifndef _WIN32  // a shell runs only here; Windows has the end-to-end tests' fake program
  EXPECT_EQ(read_file("where.txt"), root_->path() + "\n");
  EXPECT_EQ(ui_->informations, std::vector<std::string>{"処理を続行します"});
#endif
}

}  // namespace
}  // namespace vendrit
