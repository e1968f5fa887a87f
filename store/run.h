// The run context: what a run works with, handed to every function that
// needs any of it (as LevelDB hands its Env over in Options) rather than
// kept in globals.  A shell makes one, start-up fills it, and the main window
// and the run sequence pass it on; a function that needs only one piece
// takes that piece (Progress&, const Catalogue&, Env*).
#pragma once

#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "platform/env.h"
#include "report/progress_log.h"
#include "state/run_settings.h"
#include "state/work_buffer.h"

namespace vendrit {

// A favourites file as the relocation last read it (see
// relocate/rewrite_favourite_paths.h).
struct FavouriteText {
  enum State { kUnread, kAbsent, kRead } state = kUnread;
  std::string text;  // the bytes read
  FileStatus seen;   // the file as it was when read
};

struct Run {
  explicit Run(Env* e) : env(e) {}

  Env* env;              // every file, clock and process call
  RunSettings settings;  // vendrit.ini's keys
  RunChoices choices;    // this start's choices beyond them
  Catalogue catalogue;
  WorkBuffer work;
  Progress progress;
  // By favourites file: its text, kept between the boards of one relocation
  // walk (empty outside a walk).
  std::vector<FavouriteText> favourite_texts;
};

}  // namespace vendrit
