// The console shell's settings form: the settings dialog's choices as a
// numbered list, changed by typing, then confirmed ("ok") or cancelled.
// Like the dialog it changes the settings only on ok (except the
// notification switch, which takes effect at once) and never writes the INI
// file itself.
#pragma once

#include <cstdio>
#include <functional>

#include "state/run_settings.h"

namespace vendrit {

// Runs the form, reading answers from `in`; `show` displays program text
// (Shift_JIS).  Returns 1 after ok, 0 after cancel or the end of input.
int run_console_settings(FILE* in, const std::function<void(const char*)>& show,
                         RunSettings* settings, RunChoices* choices);

}  // namespace vendrit
