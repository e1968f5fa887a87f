// Start-up: the program's entry, shared by the Windows program and the Linux
// console shell.  Fixes the paths of its own files, refuses a second
// instance, loads the catalogue, reads settings and command words, then runs
// either the settings dialog alone or the main window, and releases the
// markers (the memory it took is the Run's and goes with it).  Returns the
// process exit code: 0, or -1 after a refusal.
#pragma once

#include "state/ui.h"
#include "store/run.h"

namespace vendrit {

constexpr char kProgramTitle[] = "Vendrit";

// `run` holds the Env the shell chose; start-up fills the rest (the Ui
// included) before `ui` opens a window on it.
int vendrit_main(const char* command_line, Ui* ui, Run* run);

}  // namespace vendrit
