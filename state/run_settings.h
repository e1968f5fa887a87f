// Run settings (section "vendrit" of vendrit.ini), the choices of one start
// that are never saved, and the names of the program's own files.
#pragma once

#include "platform/env.h"
#include "platform/text.h"

namespace vendrit {

// Longest backupprog text read from the INI file.
constexpr size_t kBackupProgIniChars = 255;

struct RunSettings {
  int copyonly = 0;     // copy moved threads, keep the sources
  int copylarge = 0;    // a smaller destination thread is replaced by the source
  int changelink = 1;   // rewrite links inside thread logs whose host changed
  int changebbs = 0;    // rewrite the board name in thread index files
  int backup = 0;       // run the backup program before a run
  int wait = 0;         // confirm after the backup program ended
  int use_ukagaka = 0;  // send SSTP notifications
  char backupprog[kPathSize] = "";
  int no_move = 0;      // leave threads that dropped out of their server
};

struct RunChoices {
  int favourites_rebuild = 0;  // settings dialog: the next run rebuilds favorite.idx
  int foreign_server = 0;      // settings dialog: the repair converts foreign hosts
  int run_mode = 0;            // command words: 2 = auto, run at once and close after it
  bool preview = false;        // command words: show what a run would do when the main window opens
};

// The program's own files, in the reader's root: relative paths, which the
// Env resolves against the root fixed at start-up whatever directory the
// process is in later.
constexpr char kIniFileName[] = "vendrit.ini";
constexpr char kLogFileName[] = "vendrit.log";

// Reads the nine keys from vendrit.ini with their defaults.
void load_run_settings(Env* env, RunSettings* settings);
// Writes the nine keys, in their fixed order, to vendrit.ini.
void save_run_settings(Env* env, const RunSettings& settings);

}  // namespace vendrit
