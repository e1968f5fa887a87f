// The run context: what a run works with, handed to every function that
// needs any of it (as LevelDB hands its Env over in Options) rather than
// kept in globals.  A shell makes one, start-up fills it, and the main window
// and the run sequence pass it on; a function that needs only one piece
// takes that piece (Progress&, const Catalogue&, Env*).
#pragma once

#include "catalogue/catalogue.h"
#include "platform/env.h"
#include "report/progress_log.h"
#include "state/run_settings.h"
#include "state/work_buffer.h"

namespace vendrit {

struct Run {
  explicit Run(Env* e) : env(e) {}

  Env* env;              // every file, clock and process call
  RunSettings settings;  // vendrit.ini's keys
  RunChoices choices;    // this start's choices beyond them
  Catalogue catalogue;
  WorkBuffer work;
  Progress progress;
};

}  // namespace vendrit
