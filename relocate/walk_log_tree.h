// The relocation walk: finds every board directory that sits under a server
// other than the one the board list now names, reports the move, hands the
// directory to move_board_dir, and on the way back up removes every directory
// that has become empty.
//
// Server directories are recognised by a family suffix anywhere in their path,
// one level below log (log\server) or two (log\group\server).
#pragma once

#include "catalogue/catalogue.h"  // is_excluded

namespace vendrit {

// Walks `path` (normally "log"), relative to the current directory.
void walk_log_tree(const char* path);

// True when `path` contains the main-family or sister-family suffix.
bool is_server_dir(const char* path);

}  // namespace vendrit
