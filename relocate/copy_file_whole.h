// Copying one file whole.  The copy goes to a temporary file beside the
// destination and replaces the destination only once every byte has been
// read and written and the temporary file closed without error, so a failed
// copy leaves the destination as it was.
#pragma once

namespace vendrit {

// Copies `source` (opened under `source_disk`, the name as listed; null means
// the same) to `destination`.  With `overwrite` false an existing destination
// is never replaced (the copy then fails).  1 when the destination now holds
// every byte of the source; 0 otherwise, after a progress line naming the
// failing path.
int copy_file_whole(const char* source, const char* destination,
                    const char* source_disk = nullptr, bool overwrite = true);

}  // namespace vendrit
