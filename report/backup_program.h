// The user's backup program, run and waited for before a run touches the log tree.
#pragma once

#include "platform/env.h"
#include "state/run_settings.h"
#include "state/ui.h"

namespace vendrit {

// Starts settings.backupprog through `env`, waits for it and, with
// settings.wait, asks `ui` to confirm.  0 when the program was started and
// has ended; -1 when it could not be started or waited for.  This process's
// current directory does not change.
int run_backup_program(Env* env, Ui& ui, const RunSettings& settings);

}  // namespace vendrit
