// Entry point of the settings dialog (template 108) on Windows.
#pragma once

#include <windows.h>

#include "store/run.h"

namespace vendrit {

// Runs the dialog modally on run's settings and choices; 1 after OK, 0 after
// Cancel.  `owner` is the main window, or null in settings mode.
int open_settings_dialog(HINSTANCE instance, HWND owner, Run& run);

}  // namespace vendrit
