// Copying one file whole.  The copy goes to a temporary file beside the
// destination and replaces the destination only once every byte has been
// read and written and the temporary file closed without error, so a failed
// copy leaves the destination as it was.
#pragma once

#include "store/relocate_paths.h"
#include "store/run.h"

namespace vendrit {

// Copies `source` to `destination` through the work buffer.  With `overwrite` false an existing
// destination is never replaced (the copy then fails), and one that is not
// a regular file never is.  1 when the destination now holds every byte of
// the source; 0 otherwise, after a progress line naming the failing path.
int copy_file_whole(Run& run, const PathPair& source, const PathPair& destination, bool overwrite);

}  // namespace vendrit
