// Moving (or copying) the threads of one board directory into the board's
// new server directory.
//
// A thread is a data file and its companion index file (the data file's name
// with its extension replaced by ".idx"); the pair always travels together.
// A collision with a thread already at the destination is settled by the
// run settings copyonly and copylarge; with no_move on, threads that dropped
// out of their server stay.  After each thread that reached the destination
// the favourites index files are made to follow it.
#pragma once

#include "store/index_fates.h"
#include "store/run.h"

namespace vendrit {

// Creates `destination` (with its parents) and transfers the threads of
// `source`.  `source_disk` and `destination_disk` name the two as spelled
// on disk (null: the same as the program paths); program paths are
// lower-case below log, names on disk may not be.  A board whose destination
// leads through a link, or is the source directory itself, is left alone.
// Every problem is one progress line; nothing is returned.
void move_board_dir(Run& run, const char* source, const char* destination,
                    const char* source_disk = nullptr, const char* destination_disk = nullptr);

// What move_board_dir would do with the board, decided the same way, with
// nothing changed on disk and nothing shown.
struct BoardPreview {
  bool left = false;          // the whole board would be left alone
  int moving = 0;             // threads moved (or copied) into an empty place
  int source_wins = 0;        // meeting a copy there, the source replaces it
  int destination_wins = 0;   // meeting a copy there, that copy stays
  int dropped = 0;            // dropped out of their server: stay (no_move)
  int skipped = 0;            // not touched, with a line in a run
  int favourites = 0;         // favourites entries that would follow
};
// `fates` (may be null) learns where the board's index files would be.
BoardPreview preview_board_dir(Run& run, const char* source, const char* destination,
                               const char* source_disk, const char* destination_disk,
                               IndexFates* fates);

// The companion index name of a data file name: its last "." and what
// follows replaced by ".idx"; a name without "." is its own companion.
// False when the result would be cut at 259 characters.
bool companion_name(char* out, const char* name);

}  // namespace vendrit
