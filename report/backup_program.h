// The user's backup program, run and waited for before a run touches the log tree.
#pragma once

namespace vendrit {

// 0 when the program was started and has ended; -1 when it could not be
// started or waited for.  The start directory is current again afterwards.
int run_backup_program();

}  // namespace vendrit
