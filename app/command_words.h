// Command words: auto, aborn, leave, new, large, setup.  A word counts when it
// occurs anywhere in the lower-cased command line, not only as a whole word.
#pragma once

namespace vendrit {

struct CommandChoice {
  int run_mode = 0;     // 2 = automatic run
  bool setup = false;   // show only the settings dialog
};

// Applies the words of `command_line` (already cut and lower-cased) to
// g_settings and returns the run mode and whether settings mode was asked for.
CommandChoice apply_command_words(const char* command_line);

}  // namespace vendrit
