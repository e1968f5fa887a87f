// One directory's entries, read whole before anything in it changes, each
// with the name the program uses for it (lower-cased) beside its name on disk.
//
// Both walks work on these, so that they agree on what an entry is and on
// which entries are never touched:
//   - a name that does not fit a path buffer;
//   - a name holding a backslash of its own (possible on Linux), which would
//     be read as a separator and name another file;
//   - a name whose lower-cased form an earlier entry of the same directory
//     already has (possible where letter case counts): the two would be one
//     name to the program, and one could overwrite or delete the other;
//   - a name without a Shift_JIS form (possible on Windows): any spelling
//     the program could give it would name another file, or none.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/env.h"
#include "report/progress_log.h"
#include "store/run.h"

namespace vendrit {

enum class NameProblem {
  kNone,
  kTooLong,    // the name alone has 260 bytes or more
  kSeparator,  // holds a backslash that is not the second byte of a character
  kCaseTwin,   // lower-cased, the same as an earlier entry's name
  kNoSjisForm, // has characters that Shift_JIS cannot spell
};

struct ListedEntry {
  std::string name;  // lower-cased: comparisons, paths below log, messages
  std::string disk;  // as listed: opening, renaming, deleting
  FileKind kind;
  NameProblem problem;
};

struct ListedDir {
  std::vector<ListedEntry> entries;  // listing order, "." and ".." left out
  std::unordered_map<std::string, size_t> by_name;  // lower-cased name -> first entry
};

// Lists `disk_path`; false (and nothing read) when it cannot be listed, or
// when the listing broke off half-way (reported).
bool list_entries(Run& run, const char* disk_path, ListedDir* dir);

// The entry that owns the lower-cased `name`, or null.
const ListedEntry* find_entry(const ListedDir& dir, const char* name);

// One progress line naming an entry that is never touched, and why: an odd
// name, a link, or something that is not a regular file.  `dir` is the
// directory as listed; `where_dir` is true where a directory was expected.
void report_untouched(Progress& p, const char* dir, const ListedEntry& entry, bool where_dir);

// The line for a file that is not a regular one (a link, a FIFO, a device).
void report_not_regular(Progress& p, const char* path);

}  // namespace vendrit
