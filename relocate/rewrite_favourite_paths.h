// Making the favourites index files follow moved threads.
//
// Those files name threads by the path of their index file below "log".  For
// each thread, the first occurrence of its old path text in each favourites
// index file is replaced by the new one; everything else stays byte for byte.
// The threads of one board are taken together: each file is rewritten at most
// once for all of them, with the replacements made one thread after another,
// as if each thread had been followed on its own.  A file is read whole once
// and kept in the run (Run::favourite_texts); it is rewritten whole through
// the safe replace, and read again first when it changed on disk since.
#pragma once

#include <vector>

#include "store/run.h"

namespace vendrit {

// One thread's entries.
struct FavouriteMove {
  const char* source_index;       // the thread's index paths ("log\..."); the texts
  const char* destination_index;  // compared are what follows "log" and its separator
  // For a thread whose move an earlier run began and did not end: its
  // favourites may have followed already.  A file that names the new path
  // before any old one is then taken as followed and left as it is, so that
  // a file naming the thread twice has one entry moved, as in a run that was
  // not cut short.
  bool again = false;
  // Out: a favourites file that may name the thread could not be read or
  // rewritten (reported); its entry there still names the old path.
  bool failed = false;
  std::vector<bool> moved_in;     // out: by favourites file, where its entry moved
};

// Makes every move's entries follow.
void follow_favourites(Run& run, std::vector<FavouriteMove>* moves);
// Moves back what follow_favourites moved for these threads (whose move then
// failed), in the files where it moved them.
void unfollow_favourites(Run& run, std::vector<FavouriteMove>* moves);
// For a preview: makes the entries follow in the texts kept in memory only
// (a later board is looked for in them as a run would find the files) and
// returns how many entries followed.  No file is written.
int foresee_favourites(Run& run, std::vector<FavouriteMove>* moves);

// Forgets the favourites files read so far: the next call reads them again.
// Each relocation pass starts and ends with it.
void favourites_forget(Run& run);

}  // namespace vendrit
