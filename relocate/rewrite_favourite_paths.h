// Making the favourites index files follow a moved thread.
//
// Those files name threads by the path of their index file below "log".  For
// one thread, the first occurrence of its old path text in each favourites
// index file is replaced by the new one; everything else stays byte for byte.
// A file is read whole once and kept; it is rewritten whole through the safe
// replace, and read again first when it changed on disk since.
#pragma once

namespace vendrit {

// `source_index` and `destination_index` are the thread's index paths
// ("log\..."); the texts compared are what follows "log" and its separator.
// False when a favourites file that exists could not be read or rewritten
// (reported); its entry for the thread then still names the old path.
//
// `again` is for a thread whose move an earlier run began and did not end:
// its favourites may have followed already.  A file that names the new path
// before any old one is then taken as followed and left as it is, so that a
// file naming the thread twice has one entry moved, as in a run that was not
// cut short.
bool rewrite_favourite_paths(const char* source_index, const char* destination_index,
                             bool again = false);

// Forgets the favourites files read so far: the next call reads them again.
// Each relocation pass starts and ends with it.
void favourites_forget();

}  // namespace vendrit
