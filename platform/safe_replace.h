// Rewriting a user's file without ever leaving it truncated or half-written.
//
// The new content goes to a temporary file in the same directory, which is
// closed and then put in place of the original in one replace step.  If any
// step fails the original stays as it was and the temporary file is removed.
#pragma once

#include <cstddef>

namespace vendrit {

struct ByteSpan {
  const char* data;
  size_t size;
};

enum class ReplaceResult {
  kReplaced,    // the file now holds exactly the new content
  kCannotOpen,  // the target cannot be opened for writing (read-only, locked, missing
                // directory); nothing was touched
  kFailed,      // writing or replacing failed; the target is unchanged
};

// Name of the temporary file (in the target's directory).  A leftover one is
// only ever an interrupted replace, never user data.
extern const char kReplaceTempName[];

// Replaces the content of `path` with the concatenation of `pieces`.
// A missing target is created (the probe is skipped for it).
ReplaceResult replace_file_contents(const char* path, const ByteSpan* pieces, size_t count);

// Name of the temporary file used for `path` (same directory).  False when it
// would not fit in a path buffer.
bool temporary_path_for(const char* path, char* buf, size_t size);

}  // namespace vendrit
