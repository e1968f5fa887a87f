// Run settings (section "vendrit" of vendrit.ini), the per-run choices, and
// the paths fixed at start-up.
#pragma once

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

extern RunSettings g_settings;
extern int g_favourites_rebuild;  // per run, from the settings dialog
extern int g_foreign_server;      // per run, from the settings dialog
extern int g_run_mode;            // 2 = auto: run at once and close after it

extern char g_ini_path[kPathSize];
extern char g_log_path[kPathSize];
extern char g_start_dir[kPathSize];

// Reads the nine keys from g_ini_path with their defaults.
void load_run_settings();
// Writes the nine keys, in their fixed order, to g_ini_path.
void save_run_settings();

}  // namespace vendrit
