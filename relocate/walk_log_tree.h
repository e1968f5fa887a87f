// The relocation walk: finds every board directory that sits under a server
// other than the one the board list now names, reports the move, hands the
// directory to move_board_dir, and on the way back up removes every directory
// that has become empty.
//
// Server directories are recognised by a family suffix anywhere in their path,
// one level below log (log\server) or two (log\group\server).
#pragma once

#include "store/index_fates.h"
#include "store/run.h"

namespace vendrit {

// Walks `path` (normally "log") and moves what has to move.  The Ui hears
// how many of the moved boards are done (boards counted by a first walk
// that only looks).
void walk_log_tree(Run& run, const char* path);

// What walk_log_tree would do, found out the same way with nothing changed:
// each moved board's "BBS:" line with what would happen to its threads
// (preview_board_dir), and in `fates` where the index files would be.
// Returns the number of boards that would move.
int preview_log_tree(Run& run, const char* path, IndexFates* fates);

}  // namespace vendrit
