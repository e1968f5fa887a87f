// Command words: auto, aborn, leave, new, large, setup, preview.  A word counts
// when it occurs anywhere in the lower-cased command line, not only as a
// whole word.
#pragma once

#include "state/run_settings.h"

namespace vendrit {

struct CommandChoice {
  int run_mode = 0;     // 2 = automatic run
  bool setup = false;   // show only the settings dialog
  bool preview = false; // show what a run would do first; the user starts it
};

// The words with what each does, one line each ("--help").
extern const char* const kCommandWordHelp[];

// Applies the words of `command_line` (already cut and lower-cased) to
// `settings` and returns the run mode and whether settings mode was asked for.
CommandChoice apply_command_words(const char* command_line, RunSettings* settings);

}  // namespace vendrit
