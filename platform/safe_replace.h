// Rewriting a user's file without ever leaving it truncated or half-written.
//
// The new content goes to a temporary file in the same directory, which is
// closed and then put in place of the original in one replace step.  If any
// step fails the original stays as it was and the temporary file is removed.
#pragma once

#include <cstddef>

#include "platform/env.h"

namespace vendrit {

enum class ReplaceResult {
  kReplaced,    // the file now holds exactly the new content
  kCannotOpen,  // the target cannot be opened for writing (read-only, locked, missing
                // directory); nothing was touched
  kFailed,      // writing or replacing failed; the target is unchanged
};

// Replaces the content of `path` with the concatenation of `pieces`.
// A missing target is created (the probe is skipped for it); anything but a
// regular file (a directory, a link, a FIFO) is never replaced.  A caller
// that has just seen `path` to be a regular file says so with `known_file`.
ReplaceResult replace_file_contents(const char* path, const ByteSpan* pieces, size_t count,
                                    bool known_file = false);

// Name of the temporary file used for `path`: in the same directory, and
// named for this process ("vendrit-replace-<process id>.tmp"), so that no
// other process ever writes the same one.  False when it would not fit.
bool temporary_path_for(const char* path, char* buf, size_t size);

// Temporary name of this process for the file `what` ("vendrit-<what>-<id>.tmp").
void temporary_name(const char* what, char* buf, size_t size);

// True for the name of a temporary file of this program (of any process, or
// of an earlier version).  Only one instance works on a reader root at a
// time, so one met in a walk is a leftover of an interrupted run, never user
// data, and may be removed.
bool is_leftover_temporary(const char* name);

}  // namespace vendrit
