#include "report/backup_program.h"

#include <cstring>

#include "platform/text.h"

namespace vendrit {

int run_backup_program(Env* env, Ui& ui, const RunSettings& settings) {
  if (settings.backupprog[0] == '\0') return -1;  // nothing to start
  // The working directory is everything before the last backslash of the
  // program's path: inside the quotes when the command begins with a quoted
  // program, else of the whole text (arguments included).  Without one the
  // program starts in the reader's root.  It is the new process's directory
  // only: this process stays in the root.
  const char* command = settings.backupprog;
  bool quoted = command[0] == '"';
  char dir[kPathSize];
  copy_text(dir, sizeof dir, quoted ? command + 1 : command);
  // A quote is never the second byte of a double-byte character.
  if (char* close = quoted ? strchr(dir, '"') : nullptr) *close = '\0';
  long last = last_separator(dir);
  if (last >= 0) dir[last] = '\0';
  if (!env->run_process(command, last >= 0 ? dir : nullptr)) return -1;
  if (settings.wait) ui.show_information("処理を続行します");
  return 0;
}

}  // namespace vendrit
