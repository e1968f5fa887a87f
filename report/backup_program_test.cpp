#include "report/backup_program.h"

#include "tests/test_support.h"

namespace vendrit {
namespace {

class BackupProgramTest : public RootTest {};

// An empty command starts nothing; a quoted program starts in its own directory, not in the
// one its arguments name; with waiting on, the end is confirmed.
TEST_F(BackupProgramTest, WorkingDirectoryAndConfirmation) {
  settings_.wait = 1;
  const char* quoted = "\"C:\\Program Files\\bk.exe\" /to D:\\save";
  for (const char* command : {"", quoted, "true"}) {
    copy_text(settings_.backupprog, kPathSize, command);
    run_backup_program(env_, *ui_, settings_);
  }
  using Runs = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(fault_.processes, (Runs{{quoted, "C:\\Program Files"}, {"true", ""}}));
#ifndef _WIN32  // a shell runs only here
  EXPECT_EQ(ui_->informations.size(), 1u);
#endif
}

}  // namespace
}  // namespace vendrit
