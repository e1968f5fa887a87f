// One whole run, the worker's entry: the backup program, the relocation of
// the log tree, then the repair pass (with the favourites rebuild when it was
// chosen), each announced to the mascot host.
#pragma once

#include "store/run.h"

namespace vendrit {

void run_sequence(Run& run);

// What run_sequence would do, shown in the output control, with nothing
// changed (no file written, renamed or removed, no vendrit.log line, no
// backup program): each moved board with what would happen to its threads,
// then how many index files the repair pass would rewrite.  Enables the
// buttons at the end.
void preview_sequence(Run& run);

}  // namespace vendrit
