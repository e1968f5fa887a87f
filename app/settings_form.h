// The settings dialog's choices as both shells show and edit them: taken
// from the settings when the dialog (or the console form) opens, changed
// there, and written back to the settings only on OK.
#pragma once

#include "platform/text.h"
#include "state/run_settings.h"

namespace vendrit {

struct SettingsForm {
  bool leave_sources;  // "放置する" selected (copyonly)
  bool larger_wins;    // "サイズの大きい方" selected (copylarge)
  bool changelink, changebbs, rebuild, backup, wait, use_ukagaka, no_move, foreign;
  char backupprog[kPathSize];
};

// The form for the settings as they are.  Only the value 1 selects the
// second choice of a pair; any other value shows the first one, which OK
// then stores as 0.
SettingsForm settings_form(const RunSettings& settings, const RunChoices& choices);
// OK: the settings and choices take the form's.
void apply_settings_form(const SettingsForm& f, RunSettings* settings, RunChoices* choices);

}  // namespace vendrit
