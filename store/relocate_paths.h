// Paths built by the relocation: program paths (lower-cased names joined by
// backslashes, used for comparisons, messages and the favourites texts) and
// their on-disk twins (the names as the listing returned them, used to open,
// rename and delete the source).  On Windows both name the same file.
//
// A path that would be cut at 259 characters never moves, copies, deletes or
// removes anything: the builders report it and the caller skips the entry.
#pragma once

#include <cstddef>

#include "platform/text.h"
#include "report/progress_log.h"

namespace vendrit {

// A path as the program names it (lower-cased entry names: messages and the
// favourites texts) and as it is spelled on disk (opening, renaming and
// deleting).  On Windows both lead to the same file.
struct PathPair {
  char text[kPathSize];
  char disk[kPathSize];
};

// "dir\name" into both forms; false (reported) when either would be cut.
bool join_pair(Progress& p, PathPair* out, const PathPair& dir, const char* name,
               const char* disk_name, bool is_dir);

// "dir\name" into a kPathSize buffer.  False (after a progress line naming the
// cut path) when it does not fit.  `is_dir` picks the "Dir:" or "File:" form.
bool join_path(Progress& p, char* out, const char* dir, const char* name, bool is_dir);

// Reports a path that was cut at 259 characters.
void report_cut_path(Progress& p, const char* cut, bool is_dir);


}  // namespace vendrit
