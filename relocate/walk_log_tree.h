// The relocation walk: finds every board directory that sits under a server
// other than the one the board list now names, and moves its threads there.
#pragma once

#include "catalogue/catalogue.h"  // is_excluded

namespace vendrit {

// Walks `path` (normally "log"), relative to the current directory.
void walk_log_tree(const char* path);

}  // namespace vendrit
